<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>GatewayInfoWidget</name>
    <message>
        <source>abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.</source>
        <translation>abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.</translation>
    </message>
    <message>
        <source>Hostname</source>
        <translation>Host name</translation>
    </message>
    <message>
        <source>MAC-Adresse</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>IP-Adresse</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>Subnetmaske</source>
        <translation>Subnet mask</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>Nameserver</source>
        <translation>Name server</translation>
    </message>
    <message>
        <source>DHCP</source>
        <translation>DHCP</translation>
    </message>
    <message>
        <source>Die Adresse wird mehrfach verwendet.</source>
        <translation>The address is used more than once.</translation>
    </message>
    <message>
        <source>Von diesem PC aus nicht erreichbar: keine Schnittstelle im Netz %1</source>
        <translation>Not reachable from this PC: no interface in %1</translation>
    </message>
    <message>
        <source>%1: ungültiger Wert</source>
        <translation>%1: invalid value</translation>
    </message>
    <message>
        <source>Änderungen verworfen</source>
        <translation>Changes discarded</translation>
    </message>
</context>
<context>
    <name>GatewayList</name>
    <message>
        <source>Gateways</source>
        <translation>Gateways</translation>
    </message>
    <message>
        <source>1 Gateway</source>
        <translation>1 gateway</translation>
    </message>
    <message>
        <source>%1 Gateways</source>
        <translation>%1 gateways</translation>
    </message>
    <message>
        <source>%1–%2 von %3 Gateways</source>
        <translation>%1–%2 of %3 gateways</translation>
    </message>
    <message>
        <source>Subnetmaske %1, Gateway %2, Nameserver %3, DHCP %4</source>
        <translation>Subnet mask %1, gateway %2, name server %3, DHCP %4</translation>
    </message>
    <message>
        <source>an</source>
        <translation>on</translation>
    </message>
    <message>
        <source>aus</source>
        <translation>off</translation>
    </message>
    <message>
        <source>, IP-Adresse mehrfach vergeben</source>
        <translation>, IP address used more than once</translation>
    </message>
    <message>
        <source>DHCP an, %1 wird bearbeitet</source>
        <translation>DHCP on, editing %1</translation>
    </message>
    <message>
        <source>DHCP aus, %1 wird bearbeitet</source>
        <translation>DHCP off, editing %1</translation>
    </message>
</context>
<context>
    <name>GatewayTable</name>
    <message>
        <source>Schnittstelle</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>Ergebnis</source>
        <translation>Outcome</translation>
    </message>
</context>
<context>
    <name>LoginWidget</name>
    <message>
        <source>Benutzername</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>OK mit der Eingabetaste.</source>
        <translation>OK with Return.</translation>
    </message>
</context>
<context>
    <name>PopupWidget</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ZORURuroza</name>
    <message>
        <source>Übernehmen</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Suchen</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Beim Starten des ZAN-IP-Gateway-Finders ist ein Verbindungsfehler aufgetreten!</source>
        <translation>A connection error occurred while starting the ZAN-IP-Gateway-Finder!</translation>
    </message>
    <message>
        <source>Mögliche Ursachen:</source>
        <translation>Possible causes:</translation>
    </message>
    <message>
        <source>1) Der ZAN-IP-Gatway-Finder ist bereits geöffnet.</source>
        <translation>1) The IP Gateway Finder is already open.</translation>
    </message>
    <message>
        <source>Lösung: Bitte den bereits geöffneten ZAN-IP-Gateway-Finder verwenden.</source>
        <translation>Solution: Please use the ZAN-IP-Gateway-Finder that is already open.</translation>
    </message>
    <message>
        <source>2) Der ZAN-Dezezazudazi ist gestartet.</source>
        <translation>2) The ZAN-Dezezazudazi is running.</translation>
    </message>
    <message>
        <source>Lösung: Bitte den ZAN-Dezezazudazi beenden und den ZAN-IP-Gateway-Finder neu starten.</source>
        <translation>Solution: Please quit the ZAN-Dezezazudazi and restart the ZAN-IP-Gateway-Finder.</translation>
    </message>
    <message>
        <source>Verbindungsfehler</source>
        <translation>Connection error</translation>
    </message>
    <message>
        <source>Hostname</source>
        <translation>Host name</translation>
    </message>
    <message>
        <source>MAC-Adresse</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>IP-Adresse</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>Subnetmaske</source>
        <translation>Subnet mask</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>Nameserver</source>
        <translation>Name server</translation>
    </message>
    <message>
        <source>DHCP</source>
        <translation>DHCP</translation>
    </message>
    <message>
        <source>Einstellungen wurden erfolgreich gespeichert!</source>
        <translation>Settings saved successfully!</translation>
    </message>
    <message>
        <source>Meldung</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Das Gateway hat die Einstellungen nicht bestätigt.</source>
        <translation>The gateway has not confirmed the settings.</translation>
    </message>
    <message>
        <source>Bitte erneut suchen und die Werte prüfen.</source>
        <translation>Please search again and check the values.</translation>
    </message>
    <message>
        <source>Die Einstellungen konnten nicht gesendet werden.</source>
        <translation>The settings could not be sent.</translation>
    </message>
    <message>
        <source>Das Änderungsprotokoll konnte nicht geschrieben werden.</source>
        <translation>The change journal could not be written.</translation>
    </message>
    <message>
        <source>Das Gateway wurde nicht gefunden.</source>
        <translation>The gateway was not found.</translation>
    </message>
    <message>
        <source>Die Einstellungen wurden nicht gesendet.</source>
        <translation>The settings were not sent.</translation>
    </message>
    <message>
        <source>%1: %2 statt %3</source>
        <translation>%1: %2 instead of %3</translation>
    </message>
    <message>
        <source>an</source>
        <translation>on</translation>
    </message>
    <message>
        <source>aus</source>
        <translation>off</translation>
    </message>
    <message>
        <source>Das Gateway meldet andere Werte als gesendet:</source>
        <translation>The gateway reports other values than were sent:</translation>
    </message>
    <message>
        <source>Das Gateway antwortet nach der Änderung nicht mehr.</source>
        <translation>The gateway no longer answers after the change.</translation>
    </message>
    <message>
        <source>Nicht gesendet, ungültig: %1</source>
        <translation>Not sent, invalid: %1</translation>
    </message>
    <message>
        <source>Nicht gesendet</source>
        <translation>Not sent</translation>
    </message>
    <message>
        <source>Gateway nicht gefunden</source>
        <translation>Gateway not found</translation>
    </message>
    <message>
        <source>Andere Werte gemeldet</source>
        <translation>Other values reported</translation>
    </message>
    <message>
        <source>Keine Antwort nach der Änderung</source>
        <translation>No answer after the change</translation>
    </message>
    <message>
        <source>Gespeichert</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>Nicht bestätigt</source>
        <translation>Not confirmed</translation>
    </message>
</context>
<context>
    <name>cLineEdit</name>
    <message>
        <source>Ungültiger Wert.</source>
        <translation>Invalid value.</translation>
    </message>
</context>
</TS>
