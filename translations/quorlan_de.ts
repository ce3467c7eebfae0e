<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>MainWindow</name>
    <message>
        <source>Quorlan</source>
        <translation>Quorlan</translation>
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
