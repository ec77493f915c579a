// The texts that several parts of the program share: names of files, dialog templates, plug-in
// entry points, settings categories and keys, and small formats. Take them from here rather than
// spelling them again, so that a key is written and read under one name.
#pragma once

#include <windows.h>

// The texts are constants of the program image, valid before InitializeLiterals has run.
class Literals {
public:
    Literals() = delete;

    // Product and files.
    static constexpr CHAR ProductName[] = "Pelmora";
    static constexpr CHAR VersionFormat[] = "Pelmora Version %s (x64)";
    static constexpr CHAR SettingsFileName[] = "Pelmora.pmu";

    // Dialog templates of the resource library.
    static constexpr CHAR AboutTemplate[] = "ABOUT";
    static constexpr CHAR OptionWindowTemplate[] = "OPTION_WINDOW";
    static constexpr CHAR OptionGraphGeneralTemplate[] = "OPTION_GRAPH_GENERAL";
    static constexpr CHAR OptionGraphDetailTemplate[] = "OPTION_GRAPH_DETAIL";
    static constexpr CHAR OptionGraphDetailInfoTemplate[] = "OPTION_GRAPH_DETAIL_INFO";
    static constexpr CHAR OptionGraphDetailChangeSettingsTemplate[] =
        "OPTION_GRAPH_DETAIL_CHANGE_SETTINGS";
    static constexpr CHAR OptionNetworkSpeedTemplate[] = "OPTION_NETWORK_SPEED";
    static constexpr CHAR OptionHDDTemperatureTemplate[] = "OPTION_HDD_TEMPERATURE";
    static constexpr CHAR OptionHDDUsageTemplate[] = "OPTION_HDD_USAGE";
    static constexpr CHAR OptionDateAndTimeTemplate[] = "OPTION_DATE_AND_TIME";
    static constexpr CHAR OptionRunningTimeTemplate[] = "OPTION_RUNNING_TIME";
    static constexpr CHAR OptionVirtualMemoryTemplate[] = "OPTION_VIRTUAL_MEMORY";
    static constexpr CHAR OptionPhysicalMemoryTemplate[] = "OPTION_PHYSICAL_MEMORY";
    static constexpr CHAR OptionProcessesTemplate[] = "OPTION_PROCESSES";

    // Plug-in entry points, in the order of PMPPROCEDURES.
    static constexpr CHAR PMPInitializeName[] = "PMPInitialize";
    static constexpr CHAR PMPFinalizeName[] = "PMPFinalize";
    static constexpr CHAR PMPBeforeOperationName[] = "PMPBeforeOperation";
    static constexpr CHAR PMPAfterOperationName[] = "PMPAfterOperation";
    static constexpr CHAR PMPGetDataName[] = "PMPGetData";
    static constexpr CHAR PMPShowDetailSettingsName[] = "PMPShowDetailSettings";

    // Formats and small texts.
    static constexpr CHAR IntegerFormat[] = "%i";
    static constexpr CHAR DWordFormat[] = "%u";
    static constexpr CHAR FixedPointFormat[] = "%.2f";
    static constexpr CHAR TwoStringsFormat[] = "%s%s";
    static constexpr CHAR NumberedKeyFormat[] = "%s%i";
    static constexpr CHAR ParameterFormat[] = "$%i";
    static constexpr CHAR EmptyText[] = "";
    static constexpr CHAR TrueText[] = "1";
    static constexpr CHAR FalseText[] = "0";
    static constexpr CHAR CategoryOpenLine[] = "[\r\n";
    static constexpr CHAR KeyLineFormat[] = "=%s\r\n";
    static constexpr CHAR CategoryCloseLine[] = "]\r\n";
    static constexpr CHAR HexNumberFormat[] = "0x%s";
    static constexpr CHAR HexByteFormat[] = "%02X";

    // Addresses that the About dialog opens.
    static constexpr CHAR AuthorWebPage[] = "https://pelmora.example.org/";
    static constexpr CHAR AuthorMailAddress[] = "mailto:pelmora@example.org";

    // Control class names.
    static constexpr CHAR EditClass[] = "Edit";
    static constexpr CHAR ButtonClass[] = "Button";
    static constexpr CHAR ComboBoxClass[] = "ComboBox";

    // The placeholder identifier, and the data-item key of an unbound row.
    static constexpr CHAR Placeholder[] = "*";

    // "MainWindow".
    static constexpr CHAR MainWindow[] = "MainWindow";
    static constexpr CHAR AlwaysOnTop[] = "AlwaysOnTop";
    static constexpr CHAR PositionX[] = "PositionX";
    static constexpr CHAR PositionY[] = "PositionY";
    static constexpr CHAR Width[] = "Width";
    static constexpr CHAR Opacity[] = "Opacity";
    static constexpr CHAR ChangeOpacityWhenPassing[] = "ChangeOpacityWhenPassing";
    static constexpr CHAR OpacityWhenPassing[] = "OpacityWhenPassing";
    static constexpr CHAR SnapThreshold[] = "SnapThreshold";
    static constexpr CHAR Shadow[] = "Shadow";
    static constexpr CHAR Fade[] = "Fade";
    static constexpr CHAR FadeTime[] = "FadeTime";
    static constexpr CHAR PermeateOperation[] = "PermeateOperation";
    static constexpr CHAR TrayIcon[] = "TrayIcon";
    static constexpr CHAR ModifiersKey[] = "ModifiersKey";
    static constexpr CHAR VirtualKey[] = "VirtualKey";

    // "GraphGeneral".
    static constexpr CHAR GraphGeneral[] = "GraphGeneral";
    static constexpr CHAR Background[] = "Background";
    static constexpr CHAR BackgroundColor1[] = "BackgroundColor1";
    static constexpr CHAR BackgroundColor2[] = "BackgroundColor2";
    static constexpr CHAR Image[] = "Image";
    static constexpr CHAR LOGFONTStructure[] = "LOGFONTStructure";
    static constexpr CHAR TextVerticalPosition[] = "TextVerticalPosition";
    static constexpr CHAR DrawScale[] = "DrawScale";
    static constexpr CHAR ScaleColor[] = "ScaleColor";

    // "GraphDetail"; the row keys are Graph0, Graph1, ... ("%s%i").
    static constexpr CHAR GraphDetail[] = "GraphDetail";
    static constexpr CHAR NumberOfGraphs[] = "NumberOfGraphs";
    static constexpr CHAR Graph[] = "Graph";

    // "Plug-ins": one sub-category per data item, named "%s|%i" from the plug-in identifier and
    // the item number, with these keys.
    static constexpr CHAR Plugins[] = "Plug-ins";
    static constexpr CHAR DataItemCategoryFormat[] = "%s|%i";
    static constexpr CHAR DrawnGraphs[] = "DrawnGraphs";
    static constexpr CHAR Graph1Type[] = "Graph1Type";
    static constexpr CHAR Graph1Color1[] = "Graph1Color1";
    static constexpr CHAR Graph1Color2[] = "Graph1Color2";
    static constexpr CHAR Graph2Type[] = "Graph2Type";
    static constexpr CHAR Graph2Color1[] = "Graph2Color1";
    static constexpr CHAR Graph2Color2[] = "Graph2Color2";
    static constexpr CHAR Graph1Position[] = "Graph1Position";
    static constexpr CHAR Graph2Position[] = "Graph2Position";
    static constexpr CHAR TextHorizontalPosition[] = "TextHorizontalPosition";
    static constexpr CHAR TextColor[] = "TextColor";
    static constexpr CHAR Format[] = "Format";

    // "NetworkSpeed".
    static constexpr CHAR NetworkSpeed[] = "NetworkSpeed";
    static constexpr CHAR Interface[] = "Interface";
    static constexpr CHAR MaximumSpeed[] = "MaximumSpeed";
    static constexpr CHAR SeparateGraph[] = "SeparateGraph";
    static constexpr CHAR SpeedScale[] = "SpeedScale";
    static constexpr CHAR SizeScale[] = "SizeScale";

    // "HDDUsage".
    static constexpr CHAR HDDUsage[] = "HDDUsage";
    static constexpr CHAR Drive[] = "Drive";
    static constexpr CHAR DefaultDrive[] = "C:\\";
    static constexpr CHAR Scale[] = "Scale";

    // "HDDTemperature".
    static constexpr CHAR HDDTemperature[] = "HDDTemperature";
    static constexpr CHAR PhysicalDisk[] = "PhysicalDisk";
    static constexpr CHAR Interval[] = "Interval";
    static constexpr CHAR PhysicalDriveFormat[] = "\\\\.\\PhysicalDrive%u";

    // "DateAndTime" and "RunningTime".
    static constexpr CHAR DateAndTime[] = "DateAndTime";
    static constexpr CHAR RunningTime[] = "RunningTime";
    static constexpr CHAR GraphInterval[] = "GraphInterval";
    static constexpr CHAR YearType[] = "YearType";
    static constexpr CHAR DayOfWeekType[] = "DayOfWeekType";

    // Data-source identifiers and source categories.
    static constexpr CHAR InternalVirtualMemory[] = "Internal:VirtualMemory";
    static constexpr CHAR VirtualMemory[] = "VirtualMemory";
    static constexpr CHAR PhysicalMemory[] = "PhysicalMemory";
    static constexpr CHAR InternalCPUUsage[] = "Internal:CPUUsage";
    static constexpr CHAR Processes[] = "Processes";
    static constexpr CHAR MaxProcessCount[] = "MaxProcessCount";

    // Number texts.
    static constexpr CHAR Text50[] = "50";
    static constexpr CHAR Text100[] = "100";
    static constexpr CHAR Text150[] = "150";
    static constexpr CHAR Text200[] = "200";

    // The default font face, the read-me file, and the percent sign.
    static constexpr CHAR DefaultFontFace[] = "Times New Roman";
    static constexpr CHAR ReadmeFileName[] = "Readme.txt";
    static constexpr CHAR PercentSign[] = "%";
};

// Start-up step 2. The texts are compile-time constants, so there is nothing left to set; the
// step stays so that start-up keeps its order.
void InitializeLiterals();
