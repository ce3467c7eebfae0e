<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AbstractOperation</name>
    <message>
        <source>Connecting to %1...</source>
        <translation>Verbinde mit %1...</translation>
    </message>
    <message>
        <source>Finished!</source>
        <translation>Fertig!</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Invalid server group (%1)</source>
        <translation>Ungültige Servergruppe (%1)</translation>
    </message>
    <message>
        <source>Login Error: %1</source>
        <translation>Anmeldefehler: %1</translation>
    </message>
    <message>
        <source>File Already Exists</source>
        <translation>Datei existiert bereits</translation>
    </message>
    <message>
        <source>The report file you have you chosen already exists. Overwrite?</source>
        <translation>Die gewählte Berichtsdatei existiert bereits. Überschreiben?</translation>
    </message>
    <message>
        <source>Could not remove file: %1</source>
        <translation>Datei konnte nicht entfernt werden: %1</translation>
    </message>
    <message>
        <source>Could not create report file.</source>
        <translation>Berichtsdatei konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The CSV file is too big, the limit is %1MB</source>
        <translation>Die CSV-Datei ist zu groß, die Grenze liegt bei %1 MB</translation>
    </message>
    <message>
        <source>No column in CSV for hostname/IP address</source>
        <translation>Keine Spalte für Hostname/IP-Adresse in der CSV-Datei</translation>
    </message>
    <message>
        <source>No column in CSV for username</source>
        <translation>Keine Spalte für Benutzername in der CSV-Datei</translation>
    </message>
    <message>
        <source>No column in CSV for password</source>
        <translation>Keine Spalte für Passwort in der CSV-Datei</translation>
    </message>
    <message>
        <source>The CSV file is damaged: the quoted field opened on line %1 is never closed</source>
        <translation>Die CSV-Datei ist beschädigt: Das in Zeile %1 begonnene Feld in Anführungszeichen wird nie geschlossen</translation>
    </message>
</context>
<context>
    <name>BackupOperation</name>
    <message>
        <source>Saving as: %1</source>
        <translation>Speichere als: %1</translation>
    </message>
</context>
<context>
    <name>BackupTab</name>
    <message>
        <source>This tool allows downloading of configuration files from multiple servers defined in a CSV (comma-separated values) file.</source>
        <translation>Dieses Werkzeug lädt die Konfigurationsdateien mehrerer Server herunter, die in einer CSV-Datei (kommagetrennte Werte) aufgeführt sind.</translation>
    </message>
    <message>
        <source>CSV Server List:</source>
        <translation>CSV-Serverliste:</translation>
    </message>
    <message>
        <source>Report Output:</source>
        <translation>Berichtsdatei:</translation>
    </message>
    <message>
        <source>Output Directory:</source>
        <translation>Ausgabeverzeichnis:</translation>
    </message>
    <message>
        <source>Naming Convention:</source>
        <translation>Dateibenennung:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Server Name</source>
        <translation>Servername</translation>
    </message>
    <message>
        <source>IP/Host</source>
        <translation>IP/Host</translation>
    </message>
    <message>
        <source>Both</source>
        <translation>Beides</translation>
    </message>
    <message>
        <source>Open CSV File</source>
        <translation>CSV-Datei öffnen</translation>
    </message>
    <message>
        <source>Set Report File Name</source>
        <translation>Name der Berichtsdatei festlegen</translation>
    </message>
    <message>
        <source>Open Directory</source>
        <translation>Verzeichnis öffnen</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Quorlan</source>
        <translation>Quorlan</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Verteilen</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Sicherung</translation>
    </message>
</context>
<context>
    <name>PushConfigTab</name>
    <message>
        <source>This tool allows uploading of configuration files, or snippets of configuration, to multiple servers defined in a CSV (comma-separated values) file.</source>
        <translation>Dieses Werkzeug lädt Konfigurationsdateien oder Konfigurationsausschnitte auf mehrere Server hoch, die in einer CSV-Datei (kommagetrennte Werte) aufgeführt sind.</translation>
    </message>
    <message>
        <source>CSV Server List:</source>
        <translation>CSV-Serverliste:</translation>
    </message>
    <message>
        <source>Configuration File:</source>
        <translation>Konfigurationsdatei:</translation>
    </message>
    <message>
        <source>Report Output:</source>
        <translation>Berichtsdatei:</translation>
    </message>
    <message>
        <source>Preserve Existing Licence</source>
        <translation>Vorhandene Lizenz beibehalten</translation>
    </message>
    <message>
        <source>Preserve Existing Network Settings</source>
        <translation>Vorhandene Netzwerkeinstellungen beibehalten</translation>
    </message>
    <message>
        <source>Restart Servers</source>
        <translation>Server neu starten</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>Modus:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>Zusammenführen</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Open Config File</source>
        <translation>Konfigurationsdatei öffnen</translation>
    </message>
    <message>
        <source>Open CSV File</source>
        <translation>CSV-Datei öffnen</translation>
    </message>
    <message>
        <source>Set Report File Name</source>
        <translation>Name der Berichtsdatei festlegen</translation>
    </message>
</context>
<context>
    <name>RunProgress</name>
    <message>
        <source>Reading the server list...</source>
        <translation>Serverliste wird gelesen...</translation>
    </message>
    <message>
        <source>No server contacted — see the log</source>
        <translation>Kein Server kontaktiert — siehe Protokoll</translation>
    </message>
    <message>
        <source>Cancelled after %1 of %2 servers — %3 succeeded, %4 failed</source>
        <translation>Abgebrochen nach %1 von %2 Servern — %3 erfolgreich, %4 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Finished: %1 succeeded, %2 failed</source>
        <translation>Fertig: %1 erfolgreich, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Server %1 of %2 — %3 failed</source>
        <translation>Server %1 von %2 — %3 fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>TabControls</name>
    <message>
        <source>A run is in progress on the other tab.</source>
        <translation>Auf der anderen Seite läuft gerade ein Vorgang.</translation>
    </message>
</context>
<context>
    <name>kelp::LoginError</name>
    <message>
        <source>No error</source>
        <translation>Kein Fehler</translation>
    </message>
    <message>
        <source>Too many open connections. Server: %1, port: %2</source>
        <translation>Zu viele offene Verbindungen. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Invalid username or password. Server: %1, port: %2</source>
        <translation>Ungültiger Benutzername oder ungültiges Passwort. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Login not permitted at this time. Server: %1, port: %2</source>
        <translation>Anmeldung zu dieser Zeit nicht erlaubt. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Failed to connect to the server. Server: %1, port: %2</source>
        <translation>Verbindung zum Server fehlgeschlagen. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Server is not available. Server: %1, port: %2</source>
        <translation>Server ist nicht erreichbar. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Failed to set up connection. Server: %1, port: %2</source>
        <translation>Verbindung konnte nicht aufgebaut werden. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Password required for encrypted archive %1.</source>
        <translation>Für das verschlüsselte Archiv %1 ist ein Passwort erforderlich.</translation>
    </message>
    <message>
        <source>No such file or directory.</source>
        <translation>Datei oder Verzeichnis nicht gefunden.</translation>
    </message>
    <message>
        <source>File is not a recognized archive.</source>
        <translation>Die Datei ist kein bekanntes Archiv.</translation>
    </message>
    <message>
        <source>Server&apos;s public key has changed. Server: %1, port: %2</source>
        <translation>Der öffentliche Schlüssel des Servers hat sich geändert. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Known key: %1, key presented now: %2. If the server&apos;s key was changed on purpose, delete the line of %3 port %4 in %5 and connect again.</source>
        <translation>Bekannter Schlüssel: %1, jetzt vorgelegter Schlüssel: %2. Wenn der Schlüssel des Servers absichtlich geändert wurde, löschen Sie die Zeile von %3 Port %4 in %5 und verbinden Sie sich erneut.</translation>
    </message>
    <message>
        <source>Login not permitted from this address. Server: %1, port: %2</source>
        <translation>Anmeldung von dieser Adresse nicht erlaubt. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Unknown error. Server: %1, port: %2</source>
        <translation>Unbekannter Fehler. Server: %1, Port: %2</translation>
    </message>
    <message>
        <source>Your account is locked for %1 seconds. Server: %2, port: %3</source>
        <translation>Ihr Konto ist für %1 Sekunden gesperrt. Server: %2, Port: %3</translation>
    </message>
    <message>
        <source>Your account is locked for %1 minute. Server: %2, port: %3</source>
        <translation>Ihr Konto ist für %1 Minute gesperrt. Server: %2, Port: %3</translation>
    </message>
    <message>
        <source>Your account is locked for %1 minutes. Server: %2, port: %3</source>
        <translation>Ihr Konto ist für %1 Minuten gesperrt. Server: %2, Port: %3</translation>
    </message>
</context>
</TS>
