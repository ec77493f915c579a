// A fresh program state for each display test: an empty settings store, the test sources in
// the plug-in list, 32 new rows and a main window DC that draws on its own surface.
#pragma once

#include "display_doubles.h"
#include "test_sources.h"

#include "display/default_colors.h"
#include "display/display_state.h"
#include "display/graph_display.h"
#include "display/rows.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/program.h"

#include "gdi32/surface.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class DisplayFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // A new process's globals, but for the resource library that the suite loaded once.
        const HMODULE resources = GetResourceLibrary();
        ResetProgramState();
        SetResourceLibrary(resources);
        profile_ = std::make_unique<CDriveProfile>();
        SetDriveProfile(profile_.get());
        pPluginsCategory = profile_->GetCategory(Literals::Plugins);
        pMainWindowCategory = profile_->GetCategory(Literals::MainWindow);
        FillDefaultGraphColors();
        sources::Reset();
        window_ = std::make_shared<platform::gdi::Surface>();
        window_->width = 640;
        window_->height = 640;
        window_->pixels.assign(size_t(window_->width) * window_->height, 0);
        windowDC_ = platform::gdi::CreateSurfaceDC(window_);
        // Any non-null handle stands for the main window; only its presence is passed on.
        doubles::SetMainWindow(reinterpret_cast<HWND>(uintptr_t(0x1000)), windowDC_);
    }

    void TearDown() override {
        ReleaseGraphDisplay();
        ResetGraphDisplayState();
        platform::gdi::DeleteSurfaceDC(windowDC_);
        doubles::SetMainWindow(nullptr, nullptr);
        SetDriveProfile(nullptr);
    }

    CDriveProfileCategory* Category(LPCSTR name) { return profile_->GetCategory(name); }
    CDriveProfileCategory* Item(LPCSTR identifier, int j) {
        return pPluginsCategory->GetCategory(
            (std::string(identifier) + "|" + std::to_string(j)).c_str());
    }
    void SetWidth(int width) { pMainWindowCategory->SetInteger(Literals::Width, width); }
    // Stores the row keys Graph0.. and NumberOfGraphs.
    void SetRows(const std::vector<std::string>& keys) {
        CDriveProfileCategory* detail = Category(Literals::GraphDetail);
        detail->SetInteger(Literals::NumberOfGraphs, int(keys.size()));
        for (size_t i = 0; i < keys.size(); ++i)
            detail->SetString(("Graph" + std::to_string(i)).c_str(), keys[i].c_str());
    }
    // A plain scene: background colour 1 solid, no text, no scale.
    void PlainItem(LPCSTR identifier, int j) {
        Item(identifier, j)->SetInteger(Literals::TextHorizontalPosition, 0);
    }

    void StartDisplay() {
        InitializeGraphs();
        LoadGraphSettings();
        SetupGraphDisplay();
    }

    platform::gdi::Surface Buffer() { return *platform::testing::ReadPixels(hBufferDC); }

    std::unique_ptr<CDriveProfile> profile_;
    std::shared_ptr<platform::gdi::Surface> window_;
    HDC windowDC_ = nullptr;
};
