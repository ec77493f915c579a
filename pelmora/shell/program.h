// The program's top level: the start-up order, the message loop, the shutdown order and the
// fatal-error exit.
#pragma once

#include <windows.h>

class VersionEx;

// The program's version object, kept by SetVersionInfo.
extern VersionEx* pVersion;

// The process's top level: clears the globals, runs ApplicationMain, ends the process.
void RunProgram();
// The program's globals as a new process has them: no settings, plug-ins, rows or libraries.
void ResetProgramState();
// The twelve start-up steps, the message loop and the eight shutdown steps.
void ApplicationMain();
// The start-up steps in their order, up to the window shown and its update timer started.
void RunStartupSteps();
void InitializeApplication();
void InitializeEnvironment();
void InitializeEnvironmentRest();

// Shows the text under the fatal caption, runs the shutdown steps and ends the process.
[[noreturn]] void FatalExit(LPCSTR text);

void SetResourceLibrary(HMODULE module);
HMODULE GetResourceLibrary();
void SetInstanceHandle(HINSTANCE instance);
HINSTANCE GetInstanceHandle();

// The eight shutdown steps, in their order.
void RunShutdownSequence();
void PrepareShutdown();
void DestroyMainMenu();
void RunEmptyFinalizers();
void EmptyFinalizer1();
void EmptyFinalizer2();
void EmptyFinalizer3();
void FinishShutdown();
void FreeResourceLibrary();

// The WM_ENDSESSION handler: with a non-zero wParam the window is torn down and the shutdown
// steps run; returns 0.
LRESULT RunShutdownSteps(WPARAM wParam, LPARAM lParam);

// True once the shutdown steps have run.
bool IsShutDown();

// The caption of every fatal message (user-interface string 16).
LPCSTR GetFatalCaption();
