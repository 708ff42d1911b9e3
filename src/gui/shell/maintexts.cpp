// The main window's default texts.
#include "maintexts.h"

namespace {

// The main window's own keys and the shared vocabulary it registers, with their English texts,
// in the order of registration.
constexpr DefaultText kDefaults[] = {
    {"Sheet1", "MainPage"},
    {"Sheet2", "Archive's list"},
    {"Sheet3", "Settings"},
    {"ManualArchiv", "Manual archiving"},
    {"ExitButton", "Close"},
    {"HelpButton", "Help"},
    {"MinButton", "Minimalize"},
    {"ZoomInButton", "Zoom in"},
    {"ZoomOutButton", "Zoom out"},
    {"LanguageButton", "Language"},
    {"BacgroundTextureButton", "Texture"},
    {"StatusButton", "Archive's state"},
    {"LogoLabel", "Your partner"},
    {"ArchivList", "Archive's list:"},
    {"ExitConfirm", "Do you want to close the Configuration Panel?"},
    {"SaveConfirm", "Do you want to save the settings?"},
    {"HelpNotFound", "Help file not found!"},
    {"CantOpenfileWarning", "Can not open file:"},
    {"CantWriteFileWarning", "Can not write into file:"},
    // Shown by the settings page, the archive list page and the Archiver's windows.
    {"High", "High"},
    {"Normal", "Normal"},
    {"Low", "Low"},
    {"UsedCharMessage", "The directory name included reserved character(s)"},
    {"DelChildCaption", "Delete child only"},
    {"DeleteInfo", "Do you want to delete these selected items?"},
    {"Language", "Program default-English"},
    {"AfterXdaysLabel", "days periodically"},
    {"RunArchiver", "Please start the Archiver manually first!"},
    {"AutoEmptyLabel", "Auto empty:"},
    {"RestoreButton", "Restore"},
    {"ArchiveMinInterval", "minute(s) periodically"},
    {"ArchiveHourInterval", "hour(s) periodically"},
    {"DontArchive", "disabled"},
    {"ArchiverNotAvaialable", "The archiving system is busy!"},
    {"StartArchiveButton", "Start Archiver"},
    {"StopArchiveButton", "Stop Archiver"},
    {"StopArchiveConfirm", "Do you want to stop the Archiver?"},
    {"StartArchiveConfirm", "Do you want to start the Archiver?"},
    {"EmptyConfirm", "Are you sure you want to empty the archive?"},
    {"AddDirInfo", "Adding directories..."},
    {"CompressionInfo", "This operation may require a lot of time."},
    {"CompressionConfirm", "Are you sure you want to compress the archive?"},
    {"DeCompressionInfo1p", "Do you want to archive without compression?"},
    {"SubDirectoryLabel", "Subdirectories"},
    {"PrimaryCompressionLabel", "Primary archive compressed"},
    {"SecondaryCompressionLabel", "Secondary archive compressed"},
    {"PrimaryArchive", "Primary archive"},
    {"SecondaryArchive", "Secondary Archive"},
    {"PriorityLabel", "Priority:"},
    {"PrimarySettingsLabel", "Primary archive's settings:"},
    {"SecondarySettingsLabel", "Secondary archive's settings:"},
    {"OtherSettingsLabel", "Other settings:"},
    {"SaveButton", "Save settings"},
    {"PrimaryRestoreButton", "Restore from primary archive"},
    {"SecondaryRestoreButton", "Restore from secondary archive"},
    {"EmptyButton", "Empty"},
    {"ConfirmLabel", "Confirmation on modify, delete"},
    {"ShutdownModeLabel", "Shutdown modes:"},
    {"ShutdownLabel", "Archiving at shutdown"},
    {"SaveInfo", "Saving settings..."},
    {"PrimaryDestDirLabel", "Primary archive's destination"},
    {"SecondaryDestDirLabel", "Secondary archive's destination"},
    {"ExtListButton", "Extensions"},
    {"ShutDownText", "Shutdown"},
    {"RebootText", "Reboot"},
    {"LogoffText", "Logoff"},
    {"EmptyInfo", "Emptying archive..."},
    {"AutoRunLabel", "Run Archiver automatically"},
    {"ArchiverNotActive", "The archiving system is not active!"},
    {"AdddirCaption", "Add directoty(s)"},
    {"AddfileCaption", "Add file(s)"},
    {"DelitemCaption", "Delete item"},
    // The shared vocabulary of the language files; no window of the panel shows these.
    {"HitDirCaption", "First archives name equal Secondary archives name!"},
    {"NoDirnameCaption", "Archives name is empty!"},
    {"DirnameCaption", "Archives name"},
    {"HelpFilename", "Default.html"},
    {"MessageDriveBusy", "The disk is busy!"},
    {"MessageCantCreate", "Can not create one or more files!"},
    {"MessageWriteError1", "File write error!"},
    {"ExistsItemInfo1", "You can not add a file or directory more than once!"},
    {"ExistsItemInfo2", "Only the associated extensions have been modified!"},
    {"ItemExistsInfo1", "You can not add a file or directory more than once!"},
    {"ItemExistsInfo2", "Can not add these files to list!"},
    {"SelectSubdirCaption", "Select subdirectories"},
    {"ACPIDownText", "Shutdown and poweroff (ACPI)"},
    {"ArchiverNotAnswering", "The archiving system is not answering!"},
    {"ArchiverMayAnswerLater", "It may still carry the command out when it answers."},
    // Asked at start, before any window exists, and shown by the Archiver's notification.
    {"DamagedSettingsQuestion", "The settings file is damaged; it is kept. Start with default settings?"},
    {"DamagedSettingsNotice", "The settings file is damaged. Nothing is archived until it is replaced."},
    // Asked on leaving when an edit of the archive list could not be saved.
    {"ListNotSavedExit", "The archive list is not saved. Exit anyway?"},
    // The settings page's days an earlier version of an archived file is kept.
    {"KeepVersionsLabel", "Keep earlier versions:"},
    {"KeepVersionsUnit", "days"},
    // The Archiver's notifications of an archive side's conditions, and the action of a click on one.
    {"StaleDaysNotice", "No backup for %1 days"},
    {"StaleHoursNotice", "No backup for %1 hours"},
    {"CurrentAgainNotice", "The archive is current again"},
    {"LowDiskNotice", "The archive's disk is nearly full"},
    {"DiskRoomNotice", "The archive's disk has room again"},
    {"MissingFoldersNotice", "Missing at the source:"},
    {"FoldersBackNotice", "No longer missing:"},
    {"ShowStatusAction", "Show status"},
};

} // namespace

std::span<const DefaultText> mainWindowTexts()
{
    return kDefaults;
}

QString mainWindowText(const TkovaProvider &provider, const QString &key)
{
    return provider.KovaLanguage() ? provider.GetText(key) : TkovaProvider::DefaultTextOf(kDefaults, key);
}
