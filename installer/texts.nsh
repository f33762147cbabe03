; The setup program's own texts, in each language it offers. NSIS brings the texts of its
; pages; these are the messages of ours.

LangString AdministratorNeeded ${LANG_ENGLISH} "Installing and removing Marlowick needs administrator rights. Please start the program again as an administrator."
LangString AdministratorNeeded ${LANG_GERMAN} "Zum Installieren und Entfernen von Marlowick sind Administratorrechte erforderlich. Bitte starten Sie das Programm erneut als Administrator."

LangString UnknownLanguage ${LANG_ENGLISH} "The language given with /LANGUAGE= is not offered. Use /LANGUAGE=english or /LANGUAGE=german."
LangString UnknownLanguage ${LANG_GERMAN} "Die mit /LANGUAGE= angegebene Sprache wird nicht angeboten. Verwenden Sie /LANGUAGE=english oder /LANGUAGE=german."

LangString CloseMarlowickToInstall ${LANG_ENGLISH} "Marlowick is running. Please close it, then click Retry to go on with the installation, or Cancel to stop."
LangString CloseMarlowickToInstall ${LANG_GERMAN} "Marlowick wird gerade ausgeführt. Bitte schließen Sie das Programm und klicken Sie dann auf „Wiederholen“, um die Installation fortzusetzen, oder auf „Abbrechen“, um sie zu beenden."

LangString CloseMarlowickToUninstall ${LANG_ENGLISH} "Marlowick is running. Please close it, then click Retry to go on with the removal, or Cancel to stop."
LangString CloseMarlowickToUninstall ${LANG_GERMAN} "Marlowick wird gerade ausgeführt. Bitte schließen Sie das Programm und klicken Sie dann auf „Wiederholen“, um das Entfernen fortzusetzen, oder auf „Abbrechen“, um es zu beenden."

LangString InUse ${LANG_ENGLISH} "The file is in use and will be replaced when Windows restarts."
LangString InUse ${LANG_GERMAN} "Die Datei wird verwendet und beim nächsten Neustart von Windows ersetzt."

LangString CannotReplace ${LANG_ENGLISH} "A file of Marlowick is in use and cannot be replaced, not even at the next restart."
LangString CannotReplace ${LANG_GERMAN} "Eine Datei von Marlowick wird verwendet und kann nicht ersetzt werden, auch nicht beim nächsten Neustart."

LangString BackupKept ${LANG_ENGLISH} "Marlowick's backup of your original Windows settings has been kept, because Restore has not put them back yet. To put them back, install Marlowick again and click Restore."
LangString BackupKept ${LANG_GERMAN} "Die Sicherung Ihrer ursprünglichen Windows-Einstellungen wurde behalten, weil sie noch nicht wiederhergestellt wurden. Um sie zurückzuschreiben, installieren Sie Marlowick erneut und klicken Sie auf „Wiederherstellen“."

LangString ShortcutDescription ${LANG_ENGLISH} "Makes your games and computer run faster"
LangString ShortcutDescription ${LANG_GERMAN} "Lässt Ihre Spiele und Ihren Computer schneller laufen"
