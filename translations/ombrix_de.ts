<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>TAlarmLimitText</name>
    <message>
        <source>Enter a whole number from %1 to %2.</source>
        <translation>Geben Sie eine ganze Zahl von %1 bis %2 ein.</translation>
    </message>
    <message>
        <source>Enter a number from %1 to %2 (decimal places: at most %3).</source>
        <translation>Geben Sie eine Zahl von %1 bis %2 ein (höchstens %3 Nachkommastellen).</translation>
    </message>
</context>
<context>
    <name>TCommandLine</name>
    <message>
        <source>Usage: %1 [autostart [options]]

Watches one measuring transmitter live. Without arguments the program starts
with the settings of its last run.

  autostart            connect with the stored settings and the options below,
                       then start measuring at once (also /autostart, -autostart)

Options, used only with autostart; a value that is not accepted is ignored:
  -type Ethernet|RS232|RS485   protocol
  -ip ADDRESS                  device IPv4 address (Ethernet)
  -csv FILE                    log every reading to FILE (continued when it exists)
  -interval N                  reading interval, 1 to 3600 seconds
  -graphlen N                  chart history length, 1 to 60 minutes
  -port N                      serial port COM&lt;N&gt;, 1 to 255
  -speed N                     baud rate, one of 110 300 600 1200 2400 4800 9600
                               14400 19200 38400 56000 57600 115200
  --help                       print this text
  --version                    print the version
  --program-dir                print the folder the program takes its branding
                               file (Ombrix.ini), logo.bmp, language modules and
                               help files from

Switch and option names match in any letter case; values keep theirs.
SIGTERM, SIGINT and SIGHUP end the program as closing its window does.
</source>
        <translation>Aufruf: %1 [autostart [Optionen]]

Überwacht einen Messumformer live. Ohne Argumente startet das Programm
mit den Einstellungen des letzten Laufs.

  autostart            mit den gespeicherten Einstellungen und den Optionen unten
                       verbinden und sofort messen (auch /autostart, -autostart)

Optionen, nur mit autostart; ein nicht akzeptierter Wert wird ignoriert:
  -type Ethernet|RS232|RS485   Protokoll
  -ip ADRESSE                  IPv4-Adresse des Geräts (Ethernet)
  -csv DATEI                   jede Messung in DATEI aufzeichnen (eine vorhandene wird fortgesetzt)
  -interval N                  Messintervall, 1 bis 3600 Sekunden
  -graphlen N                  Verlaufslänge des Diagramms, 1 bis 60 Minuten
  -port N                      serielle Schnittstelle COM&lt;N&gt;, 1 bis 255
  -speed N                     Baudrate, eine von 110 300 600 1200 2400 4800 9600
                               14400 19200 38400 56000 57600 115200
  --help                       diesen Text ausgeben
  --version                    die Version ausgeben
  --program-dir                den Ordner ausgeben, aus dem das Programm die
                               Branding-Datei (Ombrix.ini), logo.bmp, Sprachmodule
                               und Hilfedateien nimmt

Schalter- und Optionsnamen gelten in jeder Schreibweise; Werte behalten ihre.
SIGTERM, SIGINT und SIGHUP beenden das Programm wie das Schließen seines Fensters.
</translation>
    </message>
</context>
<context>
    <name>TDeviceConnection</name>
    <message>
        <source>Unable to connect. Sensor must be properly connected according to choosed settings.</source>
        <translation>Verbindung nicht möglich. Der Sensor muss entsprechend den gewählten Einstellungen angeschlossen sein.</translation>
    </message>
    <message>
        <source>Wrong IP address.</source>
        <translation>Falsche IP-Adresse.</translation>
    </message>
</context>
<context>
    <name>TDialogs</name>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigung</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>Ab&amp;brechen</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>&amp;Ignore</source>
        <translation>&amp;Ignorieren</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Alle</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>N&amp;ein für alle</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Ja für &amp;alle</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
</context>
<context>
    <name>TLang</name>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>You must restart the application for the language changes to take effect.</source>
        <translation>Die Sprachänderung wird erst nach einem Neustart der Anwendung wirksam.</translation>
    </message>
    <message>
        <source>help_english.txt</source>
        <extracomment>The file name of the help file written in this language, next to the program.</extracomment>
        <translation>help_german.txt</translation>
    </message>
</context>
<context>
    <name>TOBfAcousticSettings</name>
    <message>
        <source>Acoustic alarm settings</source>
        <translation>Einstellungen akustischer Alarme</translation>
    </message>
    <message>
        <source>Acoustic alarms</source>
        <translation>Akustische Alarme</translation>
    </message>
    <message>
        <source>System sound:</source>
        <translation>Systemklang:</translation>
    </message>
    <message>
        <source>Other sound:</source>
        <translation>Anderer Klang:</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Play sound once when the value is read</source>
        <translation>Klang einmal beim Lesen des Werts abspielen</translation>
    </message>
    <message>
        <source>Play sound repeatedly during alarm is on</source>
        <translation>Klang wiederholt abspielen, solange der Alarm besteht</translation>
    </message>
    <message>
        <source>Play sound repeatedly until user interrupts</source>
        <translation>Klang wiederholt abspielen, bis der Benutzer ihn abschaltet</translation>
    </message>
    <message>
        <source>Play sound every</source>
        <translation>Klang abspielen alle</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Sound files (*.wav)|*.WAV</source>
        <translation>Klangdateien (*.wav)|*.WAV</translation>
    </message>
    <message>
        <source>Only *.wav files are allowed!</source>
        <translation>Nur *.wav-Dateien sind erlaubt!</translation>
    </message>
</context>
<context>
    <name>TOBfMainForm</name>
    <message>
        <source>Ombrix</source>
        <translation>Ombrix</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>&amp;Program</source>
        <translation>&amp;Programm</translation>
    </message>
    <message>
        <source>&amp;Popup window settings</source>
        <translation>Einstellungen des &amp;Popup-Fensters</translation>
    </message>
    <message>
        <source>&amp;Acoustic alarms settings</source>
        <translation>Einstellungen der &amp;akustischen Alarme</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Sprache</translation>
    </message>
    <message>
        <source>&amp;User alarm settings</source>
        <translation>&amp;Benutzeralarme</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Show help file</source>
        <translation>Hilfedatei &amp;anzeigen</translation>
    </message>
    <message>
        <source>Restore application</source>
        <translation>Anwendung wiederherstellen</translation>
    </message>
    <message>
        <source>Make popup window on top</source>
        <translation>Popup-Fenster im Vordergrund</translation>
    </message>
    <message>
        <source>Start/Stop</source>
        <translation>Start/Stopp</translation>
    </message>
    <message>
        <source>Pause/Continue</source>
        <translation>Pause/Fortsetzen</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Hide application</source>
        <translation>Anwendung ausblenden</translation>
    </message>
    <message>
        <source>Popup on top</source>
        <translation>Popup im Vordergrund</translation>
    </message>
    <message>
        <source>Popup hidable</source>
        <translation>Popup ausblendbar</translation>
    </message>
</context>
<context>
    <name>TOBfPopupSettings</name>
    <message>
        <source>Popup window settings</source>
        <translation>Einstellungen des Popup-Fensters</translation>
    </message>
    <message>
        <source>Background color:</source>
        <translation>Hintergrundfarbe:</translation>
    </message>
    <message>
        <source>Font color:</source>
        <translation>Schriftfarbe:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>Small</source>
        <translation>Klein</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Mittel</translation>
    </message>
    <message>
        <source>Large</source>
        <translation>Groß</translation>
    </message>
    <message>
        <source>On top Opacity:</source>
        <translation>Deckkraft im Vordergrund:</translation>
    </message>
    <message>
        <source>applicable only when popup window is set On top</source>
        <translation>gilt nur, wenn das Popup-Fenster im Vordergrund bleibt</translation>
    </message>
    <message>
        <source>Title and border visible:</source>
        <translation>Titelleiste und Rahmen sichtbar:</translation>
    </message>
    <message>
        <source>Quantities lay-out:</source>
        <translation>Anordnung der Größen:</translation>
    </message>
    <message>
        <source>Horizontally</source>
        <translation>Nebeneinander</translation>
    </message>
    <message>
        <source>Vertically</source>
        <translation>Untereinander</translation>
    </message>
    <message>
        <source>Quantity titles visible:</source>
        <translation>Namen der Größen sichtbar:</translation>
    </message>
    <message>
        <source>Position:</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>Auto - left bottom corner</source>
        <translation>Automatisch - linke untere Ecke</translation>
    </message>
    <message>
        <source>Remember custom position</source>
        <translation>Eigene Position merken</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TOBfSmartOutput</name>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
</context>
<context>
    <name>TOBfrConnPars</name>
    <message>
        <source>COM Port:</source>
        <translation>COM-Port:</translation>
    </message>
    <message>
        <source>Communication speed:</source>
        <translation>Übertragungsrate:</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse:</translation>
    </message>
    <message>
        <source>IP address:</source>
        <translation>IP-Adresse:</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Limit for connection search:</source>
        <translation>Zeitlimit für die Verbindungssuche:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keiner</translation>
    </message>
</context>
<context>
    <name>TOBfrConnection</name>
    <message>
        <source>Ethernet</source>
        <translation>Ethernet</translation>
    </message>
    <message>
        <source>Serial RS232</source>
        <translation>Seriell RS232</translation>
    </message>
    <message>
        <source>Serial RS485</source>
        <translation>Seriell RS485</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
</context>
<context>
    <name>TOBfrOutputRow</name>
    <message>
        <source>low alarm</source>
        <translation>unterer Alarm</translation>
    </message>
    <message>
        <source>high alarm</source>
        <translation>oberer Alarm</translation>
    </message>
</context>
<context>
    <name>TOBfrSettings</name>
    <message>
        <source>Log to CSV file:</source>
        <translation>In CSV-Datei protokollieren:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Reading interval:</source>
        <translation>Leseintervall:</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>Graph history length:</source>
        <translation>Diagrammlänge:</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>CSV files</source>
        <translation>CSV-Dateien</translation>
    </message>
    <message>
        <source>All channels (probes) are disabled. Use Calidor (configuration program) to enable at least one channel.</source>
        <translation>Alle Kanäle (Fühler) sind ausgeschaltet. Schalten Sie mit Calidor (Konfigurationsprogramm) mindestens einen Kanal ein.</translation>
    </message>
    <message>
        <source>Unknown sensor family.</source>
        <translation>Unbekannte Sensorfamilie.</translation>
    </message>
    <message>
        <source>Csv filename required.</source>
        <translation>Ein CSV-Dateiname ist erforderlich.</translation>
    </message>
    <message>
        <source>Csv file already exists.</source>
        <translation>Die CSV-Datei existiert bereits.</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>Anhängen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Unable to open CSV file for logging.</source>
        <translation>Die CSV-Datei kann nicht zum Protokollieren geöffnet werden.</translation>
    </message>
    <message>
        <source>CSV file not written (%1); the records wait</source>
        <translation>CSV-Datei nicht geschrieben (%1); die Datensätze warten</translation>
    </message>
    <message>
        <source>CSV file written again</source>
        <translation>CSV-Datei wird wieder geschrieben</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>%1 records wait for the CSV file %2, which does not take them: %3

Make room and choose Retry, or Cancel to discard them.</source>
        <translation>%1 Datensätze warten auf die CSV-Datei %2, die sie nicht aufnimmt: %3

Schaffen Sie Platz und wählen Sie Wiederholen, oder Abbrechen, um sie zu verwerfen.</translation>
    </message>
</context>
<context>
    <name>TObfrOutputBase</name>
    <message>
        <source>Chart:</source>
        <translation>Diagramm:</translation>
    </message>
    <message>
        <source>disable sound</source>
        <translation>Ton aus</translation>
    </message>
</context>
<context>
    <name>TQuantity</name>
    <message>
        <source>Computed quantity</source>
        <translation>Berechnete Größe</translation>
    </message>
    <message>
        <source>Binary input</source>
        <translation>Binäreingang</translation>
    </message>
    <message>
        <source>CO2 level</source>
        <translation>CO2-Stufe</translation>
    </message>
    <message>
        <source>Relay output</source>
        <translation>Relaisausgang</translation>
    </message>
    <message>
        <source>Far relay control</source>
        <translation>Relais-Fernsteuerung</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
    <message>
        <source>Relative humidity</source>
        <translation>Relative Feuchte</translation>
    </message>
    <message>
        <source>Atmospheric pressure</source>
        <translation>Luftdruck</translation>
    </message>
    <message>
        <source>CO2 concentration</source>
        <translation>CO2-Konzentration</translation>
    </message>
    <message>
        <source>Dew point</source>
        <translation>Taupunkt</translation>
    </message>
    <message>
        <source>Absolute humidity</source>
        <translation>Absolute Feuchte</translation>
    </message>
    <message>
        <source>Specific humidity</source>
        <translation>Spezifische Feuchte</translation>
    </message>
    <message>
        <source>Mixing ratio</source>
        <translation>Mischungsverhältnis</translation>
    </message>
    <message>
        <source>Specific enthalpy</source>
        <translation>Spezifische Enthalpie</translation>
    </message>
    <message>
        <source>Immediate</source>
        <translation>Momentanwert</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Mittelwert</translation>
    </message>
</context>
<context>
    <name>TReaderCore</name>
    <message>
        <source>Paused</source>
        <translation>Pausiert</translation>
    </message>
</context>
<context>
    <name>TRecFile</name>
    <message>
        <source>----</source>
        <translation>----</translation>
    </message>
    <message>
        <source>Error </source>
        <translation>Fehler </translation>
    </message>
    <message>
        <source>Sensor type</source>
        <translation>Sensortyp</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Local PC Date</source>
        <translation>Lokales PC-Datum</translation>
    </message>
    <message>
        <source>Local PC Time</source>
        <translation>Lokale PC-Zeit</translation>
    </message>
    <message>
        <source>Read error</source>
        <translation>Lesefehler</translation>
    </message>
</context>
<context>
    <name>TSystemSound</name>
    <message>
        <source>Exclamation</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Asterisk</source>
        <translation>Sternchen</translation>
    </message>
    <message>
        <source>Critical Stop</source>
        <translation>Kritischer Abbruch</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Frage</translation>
    </message>
    <message>
        <source>Default Beep</source>
        <translation>Standardton</translation>
    </message>
    <message>
        <source>System Notification</source>
        <translation>Systembenachrichtigung</translation>
    </message>
</context>
<context>
    <name>TTextValue</name>
    <message>
        <source>second</source>
        <translation>Sekunde</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>hour</source>
        <translation>Stunde</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>Stunden</translation>
    </message>
    <message>
        <source>bauds</source>
        <translation>Baud</translation>
    </message>
</context>
<context>
    <name>TXPortIPChange</name>
    <message>
        <source>IP address was temporarily assigned to MAC</source>
        <translation>Die IP-Adresse wurde vorübergehend der MAC-Adresse zugewiesen</translation>
    </message>
    <message>
        <source>To make IP change permanent you must change IP adress in device setup!</source>
        <translation>Damit die Änderung dauerhaft wird, müssen Sie die IP-Adresse in der Gerätekonfiguration ändern!</translation>
    </message>
    <message>
        <source>Request of IP address change was successfully sent.</source>
        <translation>Die Anforderung zur Änderung der IP-Adresse wurde erfolgreich gesendet.</translation>
    </message>
    <message>
        <source>IP address change error.</source>
        <translation>Fehler beim Ändern der IP-Adresse.</translation>
    </message>
    <message>
        <source>IP address syntax error.</source>
        <translation>Ungültiges Format der IP-Adresse.</translation>
    </message>
    <message>
        <source>Write correct IP address, please.</source>
        <translation>Bitte geben Sie eine gültige IP-Adresse ein.</translation>
    </message>
    <message>
        <source>Selected IP address already exists.</source>
        <translation>Die gewählte IP-Adresse ist bereits vergeben.</translation>
    </message>
    <message>
        <source>MAC address syntax error.</source>
        <translation>Ungültiges Format der MAC-Adresse.</translation>
    </message>
    <message>
        <source>No network adapter reaches %1.</source>
        <translation>Kein Netzwerkadapter erreicht %1.</translation>
    </message>
    <message>
        <source>The ARP method needs administrator rights (CAP_NET_ADMIN) to write the neighbour entry.</source>
        <translation>Die ARP-Methode benötigt Administratorrechte (CAP_NET_ADMIN), um den Nachbareintrag zu schreiben.</translation>
    </message>
</context>
<context>
    <name>TfChart</name>
    <message>
        <source>no reading</source>
        <translation>kein Messwert</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Save picture…</source>
        <translation>Bild speichern…</translation>
    </message>
    <message>
        <source>Save data…</source>
        <translation>Daten speichern…</translation>
    </message>
    <message>
        <source>Save picture</source>
        <translation>Bild speichern</translation>
    </message>
    <message>
        <source>Save data</source>
        <translation>Daten speichern</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>Unable to save the file.</source>
        <translation>Die Datei kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Pausiert</translation>
    </message>
    <message>
        <source>Error </source>
        <translation>Fehler </translation>
    </message>
    <message>
        <source>Pictures (*.png *.svg *.pdf)</source>
        <translation>Bilder (*.png *.svg *.pdf)</translation>
    </message>
</context>
<context>
    <name>TfUserAlarmSettings</name>
    <message>
        <source>User alarm settings</source>
        <translation>Benutzer-Alarmeinstellungen</translation>
    </message>
    <message>
        <source>Alarms of analog values</source>
        <translation>Alarme analoger Werte</translation>
    </message>
    <message>
        <source>Upper limit:</source>
        <translation>Oberer Grenzwert:</translation>
    </message>
    <message>
        <source>Lower limit:</source>
        <translation>Unterer Grenzwert:</translation>
    </message>
    <message>
        <source>Hysteresis:</source>
        <translation>Hysterese:</translation>
    </message>
    <message>
        <source>Alarms of binary values</source>
        <translation>Alarme binärer Werte</translation>
    </message>
    <message>
        <source>High alarm:</source>
        <translation>Oberer Alarm:</translation>
    </message>
    <message>
        <source>Low alarm:</source>
        <translation>Unterer Alarm:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TfXPortIPChangeGUI</name>
    <message>
        <source>Change IP address</source>
        <translation>IP-Adresse ändern</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>IP address:</source>
        <translation>IP-Adresse:</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC-Adresse</translation>
    </message>
    <message>
        <source>Set IP address to ARP table only</source>
        <translation>IP-Adresse nur in die ARP-Tabelle eintragen</translation>
    </message>
</context>
<context>
    <name>TfXPortSearchGUI</name>
    <message>
        <source>Find device</source>
        <translation>Gerät suchen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Help! My device wasn&apos;t found!</source>
        <translation>Hilfe! Mein Gerät wurde nicht gefunden!</translation>
    </message>
    <message>
        <source>Change IP</source>
        <translation>IP ändern</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>IP address</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC-Adresse</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Device type</source>
        <translation>Gerätetyp</translation>
    </message>
    <message>
        <source>Device description</source>
        <translation>Gerätebeschreibung</translation>
    </message>
    <message>
        <source>Change IP address</source>
        <translation>IP-Adresse ändern</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Set IP address to ARP table only</source>
        <translation>IP-Adresse nur in die ARP-Tabelle eintragen</translation>
    </message>
</context>
<context>
    <name>TfrAnlgAlrmUserSettings</name>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
</context>
<context>
    <name>TfrBinAlrmUserSettings</name>
    <message>
        <source>On closing</source>
        <translation>Beim Schließen</translation>
    </message>
    <message>
        <source>On opening</source>
        <translation>Beim Öffnen</translation>
    </message>
</context>
<context>
    <name>ValueText</name>
    <message>
        <source>closed</source>
        <translation>geschlossen</translation>
    </message>
    <message>
        <source>open</source>
        <translation>offen</translation>
    </message>
    <message>
        <source>active</source>
        <translation>aktiv</translation>
    </message>
    <message>
        <source>inactive</source>
        <translation>inaktiv</translation>
    </message>
</context>
</TS>
