#pragma once
// The object names of the windows' controls: the names the program's designer gave them, which
// stored files, screenshots, scripts and tests find them by. Code names each control for what it
// is; this table is the one place that ties the two together.

namespace qc::names {

// The main window.
inline constexpr const char* mainWindow = "Form1";
inline constexpr const char* helpButton = "PushButton5";
inline constexpr const char* sourceFrame = "Frame3";
inline constexpr const char* serverLabel = "Label2";
inline constexpr const char* serverBox = "Text5";
inline constexpr const char* portLabel = "Label10";
inline constexpr const char* portBox = "Text6";
inline constexpr const char* userLabel = "Label4";
inline constexpr const char* userBox = "Text3";
inline constexpr const char* passwordLabel = "Label5";
inline constexpr const char* passwordBox = "Text4";
inline constexpr const char* databaseLabel = "Label3";
inline constexpr const char* databaseBox = "Text8";
inline constexpr const char* localConnectionBox = "Check4";
inline constexpr const char* testSourceButton = "PushButton6";
inline constexpr const char* sourceHelpButton = "PushButton4";
inline constexpr const char* targetFrame = "Frame1";
inline constexpr const char* folderLabel = "Label1";
inline constexpr const char* folderBox = "Text2";
inline constexpr const char* chooseFolderButton = "PushButton1";
inline constexpr const char* samplesButton = "PushButton2";
inline constexpr const char* testTargetButton = "PushButton8";
inline constexpr const char* containerButton = "PushButton12";
inline constexpr const char* previewFrame = "Frame2";
inline constexpr const char* previewModeBox = "Check1";
inline constexpr const char* previewPerFileOption = "Option1";
inline constexpr const char* previewPerTableOption = "Option2";
inline constexpr const char* startButton = "PushButton7";
inline constexpr const char* progressBar = "ProgressBar1";
// Added to the designed window, so named for what they are.
inline constexpr const char* targetLine = "TargetLine";
inline constexpr const char* codePageBox = "CodePageBox";

// Advanced Options.
namespace advanced {
inline constexpr const char* window = "Form6";
inline constexpr const char* containerFrame = "Frame2";
inline constexpr const char* containerLabel = "Label1";
inline constexpr const char* containerBox = "Text1";
inline constexpr const char* browseButton = "PushButton5";
inline constexpr const char* okButton = "PushButton1";
inline constexpr const char* cancelButton = "PushButton2";
} // namespace advanced

} // namespace qc::names
