<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="cs_CZ">
<context>
    <name>TAlarmLimitText</name>
    <message>
        <source>Enter a whole number from %1 to %2.</source>
        <translation>Zadejte celé číslo od %1 do %2.</translation>
    </message>
    <message>
        <source>Enter a number from %1 to %2 (decimal places: at most %3).</source>
        <translation>Zadejte číslo od %1 do %2 (nejvýše %3 desetinná místa).</translation>
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
        <translation>Použití: %1 [autostart [volby]]

Sleduje živě jeden měřicí převodník. Bez argumentů se program spustí
s nastavením z posledního běhu.

  autostart            připojit se s uloženým nastavením a níže uvedenými volbami
                       a ihned spustit měření (také /autostart, -autostart)

Volby, platné jen s autostart; nepřijatelná hodnota se ignoruje:
  -type Ethernet|RS232|RS485   protokol
  -ip ADRESA                   IPv4 adresa přístroje (Ethernet)
  -csv SOUBOR                  zapisovat každé měření do SOUBORU (existující se doplní)
  -interval N                  interval měření, 1 až 3600 sekund
  -graphlen N                  délka historie grafu, 1 až 60 minut
  -port N                      sériový port COM&lt;N&gt;, 1 až 255
  -speed N                     přenosová rychlost, jedna z 110 300 600 1200 2400 4800 9600
                               14400 19200 38400 56000 57600 115200
  --help                       vypsat tento text
  --version                    vypsat verzi
  --program-dir                vypsat složku, ze které program bere soubor
                               značky (Ombrix.ini), logo.bmp, jazykové moduly
                               a soubory nápovědy

Názvy přepínačů a voleb nerozlišují velikost písmen; hodnoty ji zachovávají.
SIGTERM, SIGINT a SIGHUP ukončí program stejně jako zavření jeho okna.
</translation>
    </message>
</context>
<context>
    <name>TDeviceConnection</name>
    <message>
        <source>Unable to connect. Sensor must be properly connected according to choosed settings.</source>
        <translation>Nelze se připojit. Snímač musí být připojen podle zvoleného nastavení.</translation>
    </message>
    <message>
        <source>Wrong IP address.</source>
        <translation>Chybná IP adresa.</translation>
    </message>
</context>
<context>
    <name>TDialogs</name>
    <message>
        <source>Warning</source>
        <translation>Upozornění</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Informace</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Potvrzení</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ano</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Ne</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Storno</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>&amp;Přerušit</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>&amp;Opakovat</translation>
    </message>
    <message>
        <source>&amp;Ignore</source>
        <translation>&amp;Ignorovat</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Vše</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>N&amp;e pro vše</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>A&amp;no pro vše</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Nápověda</translation>
    </message>
</context>
<context>
    <name>TLang</name>
    <message>
        <source>Information</source>
        <translation>Informace</translation>
    </message>
    <message>
        <source>You must restart the application for the language changes to take effect.</source>
        <translation>Aby se změna jazyka projevila, musíte aplikaci restartovat.</translation>
    </message>
    <message>
        <source>help_english.txt</source>
        <extracomment>The file name of the help file written in this language, next to the program.</extracomment>
        <translation>help_czech.txt</translation>
    </message>
</context>
<context>
    <name>TOBfAcousticSettings</name>
    <message>
        <source>Acoustic alarm settings</source>
        <translation>Nastavení zvukových alarmů</translation>
    </message>
    <message>
        <source>Acoustic alarms</source>
        <translation>Zvukové alarmy</translation>
    </message>
    <message>
        <source>System sound:</source>
        <translation>Systémový zvuk:</translation>
    </message>
    <message>
        <source>Other sound:</source>
        <translation>Jiný zvuk:</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Play sound once when the value is read</source>
        <translation>Přehrát zvuk jednou při načtení hodnoty</translation>
    </message>
    <message>
        <source>Play sound repeatedly during alarm is on</source>
        <translation>Přehrávat zvuk opakovaně po dobu trvání alarmu</translation>
    </message>
    <message>
        <source>Play sound repeatedly until user interrupts</source>
        <translation>Přehrávat zvuk opakovaně, dokud ho uživatel nevypne</translation>
    </message>
    <message>
        <source>Play sound every</source>
        <translation>Přehrát zvuk každých</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>sekund</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Storno</translation>
    </message>
    <message>
        <source>Sound files (*.wav)|*.WAV</source>
        <translation>Zvukové soubory (*.wav)|*.WAV</translation>
    </message>
    <message>
        <source>Only *.wav files are allowed!</source>
        <translation>Povoleny jsou jen soubory *.wav!</translation>
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
        <translation>Verze</translation>
    </message>
    <message>
        <source>&amp;Program</source>
        <translation>&amp;Program</translation>
    </message>
    <message>
        <source>&amp;Popup window settings</source>
        <translation>Nastavení &amp;vyskakovacího okna</translation>
    </message>
    <message>
        <source>&amp;Acoustic alarms settings</source>
        <translation>Nastavení &amp;akustických alarmů</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Jazyk</translation>
    </message>
    <message>
        <source>&amp;User alarm settings</source>
        <translation>&amp;Uživatelské alarmy</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Nápověda</translation>
    </message>
    <message>
        <source>&amp;Show help file</source>
        <translation>&amp;Zobrazit nápovědu</translation>
    </message>
    <message>
        <source>Restore application</source>
        <translation>Obnovit aplikaci</translation>
    </message>
    <message>
        <source>Make popup window on top</source>
        <translation>Vyskakovací okno navrchu</translation>
    </message>
    <message>
        <source>Start/Stop</source>
        <translation>Start/Stop</translation>
    </message>
    <message>
        <source>Pause/Continue</source>
        <translation>Pozastavit/Pokračovat</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Výrobní číslo</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Pokračovat</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pozastavit</translation>
    </message>
    <message>
        <source>Hide application</source>
        <translation>Skrýt aplikaci</translation>
    </message>
    <message>
        <source>Popup on top</source>
        <translation>Vyskakovací okno navrchu</translation>
    </message>
    <message>
        <source>Popup hidable</source>
        <translation>Vyskakovací okno skrývat</translation>
    </message>
</context>
<context>
    <name>TOBfPopupSettings</name>
    <message>
        <source>Popup window settings</source>
        <translation>Nastavení vyskakovacího okna</translation>
    </message>
    <message>
        <source>Background color:</source>
        <translation>Barva pozadí:</translation>
    </message>
    <message>
        <source>Font color:</source>
        <translation>Barva písma:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Velikost:</translation>
    </message>
    <message>
        <source>Small</source>
        <translation>Malé</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Střední</translation>
    </message>
    <message>
        <source>Large</source>
        <translation>Velké</translation>
    </message>
    <message>
        <source>On top Opacity:</source>
        <translation>Neprůhlednost navrchu:</translation>
    </message>
    <message>
        <source>applicable only when popup window is set On top</source>
        <translation>platí jen pro vyskakovací okno nastavené vždy navrchu</translation>
    </message>
    <message>
        <source>Title and border visible:</source>
        <translation>Zobrazit titulek a okraj:</translation>
    </message>
    <message>
        <source>Quantities lay-out:</source>
        <translation>Uspořádání veličin:</translation>
    </message>
    <message>
        <source>Horizontally</source>
        <translation>Vodorovně</translation>
    </message>
    <message>
        <source>Vertically</source>
        <translation>Svisle</translation>
    </message>
    <message>
        <source>Quantity titles visible:</source>
        <translation>Zobrazit názvy veličin:</translation>
    </message>
    <message>
        <source>Position:</source>
        <translation>Poloha:</translation>
    </message>
    <message>
        <source>Auto - left bottom corner</source>
        <translation>Automaticky - levý dolní roh</translation>
    </message>
    <message>
        <source>Remember custom position</source>
        <translation>Pamatovat si vlastní polohu</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Storno</translation>
    </message>
</context>
<context>
    <name>TOBfSmartOutput</name>
    <message>
        <source>Serial number</source>
        <translation>Sériové číslo</translation>
    </message>
</context>
<context>
    <name>TOBfrConnPars</name>
    <message>
        <source>COM Port:</source>
        <translation>COM port:</translation>
    </message>
    <message>
        <source>Communication speed:</source>
        <translation>Komunikační rychlost:</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresa:</translation>
    </message>
    <message>
        <source>IP address:</source>
        <translation>IP adresa:</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Hledat</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Limit for connection search:</source>
        <translation>Časový limit hledání spojení:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Žádný</translation>
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
        <translation>Sériová linka RS232</translation>
    </message>
    <message>
        <source>Serial RS485</source>
        <translation>Sériová linka RS485</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Připojit</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Odpojit</translation>
    </message>
</context>
<context>
    <name>TOBfrOutputRow</name>
    <message>
        <source>low alarm</source>
        <translation>dolní alarm</translation>
    </message>
    <message>
        <source>high alarm</source>
        <translation>horní alarm</translation>
    </message>
</context>
<context>
    <name>TOBfrSettings</name>
    <message>
        <source>Log to CSV file:</source>
        <translation>Ukládat do souboru CSV:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Procházet</translation>
    </message>
    <message>
        <source>Reading interval:</source>
        <translation>Interval čtení:</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>sekund</translation>
    </message>
    <message>
        <source>Graph history length:</source>
        <translation>Délka historie grafu:</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>minut</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Odpojit</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pozastavit</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>CSV files</source>
        <translation>Soubory CSV</translation>
    </message>
    <message>
        <source>All channels (probes) are disabled. Use Calidor (configuration program) to enable at least one channel.</source>
        <translation>Všechny kanály (sondy) jsou vypnuté. Zapněte alespoň jeden kanál programem Calidor (konfigurační program).</translation>
    </message>
    <message>
        <source>Unknown sensor family.</source>
        <translation>Neznámá rodina snímačů.</translation>
    </message>
    <message>
        <source>Csv filename required.</source>
        <translation>Je třeba zadat název souboru CSV.</translation>
    </message>
    <message>
        <source>Csv file already exists.</source>
        <translation>Soubor CSV již existuje.</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Přepsat</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>Připojit na konec</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zrušit</translation>
    </message>
    <message>
        <source>Unable to open CSV file for logging.</source>
        <translation>Soubor CSV nelze otevřít pro záznam.</translation>
    </message>
    <message>
        <source>CSV file not written (%1); the records wait</source>
        <translation>Soubor CSV nezapsán (%1); záznamy čekají</translation>
    </message>
    <message>
        <source>CSV file written again</source>
        <translation>Soubor CSV se opět zapisuje</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Pokračovat</translation>
    </message>
    <message>
        <source>%1 records wait for the CSV file %2, which does not take them: %3

Make room and choose Retry, or Cancel to discard them.</source>
        <translation>%1 záznamů čeká na soubor CSV %2, který je nepřijímá: %3

Uvolněte místo a zvolte Opakovat, nebo Storno pro jejich zahození.</translation>
    </message>
</context>
<context>
    <name>TObfrOutputBase</name>
    <message>
        <source>Chart:</source>
        <translation>Graf:</translation>
    </message>
    <message>
        <source>disable sound</source>
        <translation>vypnout zvuk</translation>
    </message>
</context>
<context>
    <name>TQuantity</name>
    <message>
        <source>Computed quantity</source>
        <translation>Vypočtená veličina</translation>
    </message>
    <message>
        <source>Binary input</source>
        <translation>Binární vstup</translation>
    </message>
    <message>
        <source>CO2 level</source>
        <translation>Úroveň CO2</translation>
    </message>
    <message>
        <source>Relay output</source>
        <translation>Reléový výstup</translation>
    </message>
    <message>
        <source>Far relay control</source>
        <translation>Dálkové ovládání relé</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Teplota</translation>
    </message>
    <message>
        <source>Relative humidity</source>
        <translation>Relativní vlhkost</translation>
    </message>
    <message>
        <source>Atmospheric pressure</source>
        <translation>Atmosférický tlak</translation>
    </message>
    <message>
        <source>CO2 concentration</source>
        <translation>Koncentrace CO2</translation>
    </message>
    <message>
        <source>Dew point</source>
        <translation>Rosný bod</translation>
    </message>
    <message>
        <source>Absolute humidity</source>
        <translation>Absolutní vlhkost</translation>
    </message>
    <message>
        <source>Specific humidity</source>
        <translation>Měrná vlhkost</translation>
    </message>
    <message>
        <source>Mixing ratio</source>
        <translation>Směšovací poměr</translation>
    </message>
    <message>
        <source>Specific enthalpy</source>
        <translation>Měrná entalpie</translation>
    </message>
    <message>
        <source>Immediate</source>
        <translation>Okamžitá</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Průměrná</translation>
    </message>
</context>
<context>
    <name>TReaderCore</name>
    <message>
        <source>Paused</source>
        <translation>Pozastaveno</translation>
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
        <translation>Chyba </translation>
    </message>
    <message>
        <source>Sensor type</source>
        <translation>Typ snímače</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Sériové číslo</translation>
    </message>
    <message>
        <source>Local PC Date</source>
        <translation>Místní datum PC</translation>
    </message>
    <message>
        <source>Local PC Time</source>
        <translation>Místní čas PC</translation>
    </message>
    <message>
        <source>Read error</source>
        <translation>Chyba čtení</translation>
    </message>
</context>
<context>
    <name>TSystemSound</name>
    <message>
        <source>Exclamation</source>
        <translation>Vykřičník</translation>
    </message>
    <message>
        <source>Asterisk</source>
        <translation>Hvězdička</translation>
    </message>
    <message>
        <source>Critical Stop</source>
        <translation>Kritické zastavení</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Otázka</translation>
    </message>
    <message>
        <source>Default Beep</source>
        <translation>Výchozí pípnutí</translation>
    </message>
    <message>
        <source>System Notification</source>
        <translation>Systémové oznámení</translation>
    </message>
</context>
<context>
    <name>TTextValue</name>
    <message>
        <source>second</source>
        <translation>sekunda</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>sekund</translation>
    </message>
    <message>
        <source>minute</source>
        <translation>minuta</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>minut</translation>
    </message>
    <message>
        <source>hour</source>
        <translation>hodina</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>hodin</translation>
    </message>
    <message>
        <source>bauds</source>
        <translation>Bd</translation>
    </message>
</context>
<context>
    <name>TXPortIPChange</name>
    <message>
        <source>IP address was temporarily assigned to MAC</source>
        <translation>IP adresa byla dočasně přidělena MAC adrese</translation>
    </message>
    <message>
        <source>To make IP change permanent you must change IP adress in device setup!</source>
        <translation>Aby byla změna IP adresy trvalá, musíte IP adresu změnit v nastavení přístroje!</translation>
    </message>
    <message>
        <source>Request of IP address change was successfully sent.</source>
        <translation>Požadavek na změnu IP adresy byl úspěšně odeslán.</translation>
    </message>
    <message>
        <source>IP address change error.</source>
        <translation>Chyba při změně IP adresy.</translation>
    </message>
    <message>
        <source>IP address syntax error.</source>
        <translation>Chybný formát IP adresy.</translation>
    </message>
    <message>
        <source>Write correct IP address, please.</source>
        <translation>Zadejte prosím správnou IP adresu.</translation>
    </message>
    <message>
        <source>Selected IP address already exists.</source>
        <translation>Zvolená IP adresa již v síti existuje.</translation>
    </message>
    <message>
        <source>MAC address syntax error.</source>
        <translation>Chybný formát MAC adresy.</translation>
    </message>
    <message>
        <source>No network adapter reaches %1.</source>
        <translation>Žádný síťový adaptér nedosáhne na %1.</translation>
    </message>
    <message>
        <source>The ARP method needs administrator rights (CAP_NET_ADMIN) to write the neighbour entry.</source>
        <translation>Metoda ARP potřebuje k zápisu záznamu do tabulky sousedů práva správce (CAP_NET_ADMIN).</translation>
    </message>
</context>
<context>
    <name>TfChart</name>
    <message>
        <source>no reading</source>
        <translation>bez měření</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Živě</translation>
    </message>
    <message>
        <source>Save picture…</source>
        <translation>Uložit obrázek…</translation>
    </message>
    <message>
        <source>Save data…</source>
        <translation>Uložit data…</translation>
    </message>
    <message>
        <source>Save picture</source>
        <translation>Uložit obrázek</translation>
    </message>
    <message>
        <source>Save data</source>
        <translation>Uložit data</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Soubory CSV (*.csv)</translation>
    </message>
    <message>
        <source>Unable to save the file.</source>
        <translation>Soubor nelze uložit.</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Pozastaveno</translation>
    </message>
    <message>
        <source>Error </source>
        <translation>Chyba </translation>
    </message>
    <message>
        <source>Pictures (*.png *.svg *.pdf)</source>
        <translation>Obrázky (*.png *.svg *.pdf)</translation>
    </message>
</context>
<context>
    <name>TfUserAlarmSettings</name>
    <message>
        <source>User alarm settings</source>
        <translation>Uživatelské nastavení alarmů</translation>
    </message>
    <message>
        <source>Alarms of analog values</source>
        <translation>Alarmy analogových hodnot</translation>
    </message>
    <message>
        <source>Upper limit:</source>
        <translation>Horní mez:</translation>
    </message>
    <message>
        <source>Lower limit:</source>
        <translation>Dolní mez:</translation>
    </message>
    <message>
        <source>Hysteresis:</source>
        <translation>Hystereze:</translation>
    </message>
    <message>
        <source>Alarms of binary values</source>
        <translation>Alarmy binárních hodnot</translation>
    </message>
    <message>
        <source>High alarm:</source>
        <translation>Horní alarm:</translation>
    </message>
    <message>
        <source>Low alarm:</source>
        <translation>Dolní alarm:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Storno</translation>
    </message>
</context>
<context>
    <name>TfXPortIPChangeGUI</name>
    <message>
        <source>Change IP address</source>
        <translation>Změna IP adresy</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Změnit</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Storno</translation>
    </message>
    <message>
        <source>IP address:</source>
        <translation>IP adresa:</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC adresa</translation>
    </message>
    <message>
        <source>Set IP address to ARP table only</source>
        <translation>Zapsat IP adresu jen do tabulky ARP</translation>
    </message>
</context>
<context>
    <name>TfXPortSearchGUI</name>
    <message>
        <source>Find device</source>
        <translation>Vyhledat přístroj</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Hledat</translation>
    </message>
    <message>
        <source>Help! My device wasn&apos;t found!</source>
        <translation>Pomoc! Můj přístroj nebyl nalezen!</translation>
    </message>
    <message>
        <source>Change IP</source>
        <translation>Změnit IP</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Vybrat</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Storno</translation>
    </message>
    <message>
        <source>IP address</source>
        <translation>IP adresa</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC adresa</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Device type</source>
        <translation>Typ přístroje</translation>
    </message>
    <message>
        <source>Device description</source>
        <translation>Popis přístroje</translation>
    </message>
    <message>
        <source>Change IP address</source>
        <translation>Změna IP adresy</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Změnit</translation>
    </message>
    <message>
        <source>Set IP address to ARP table only</source>
        <translation>Zapsat IP adresu jen do tabulky ARP</translation>
    </message>
</context>
<context>
    <name>TfrAnlgAlrmUserSettings</name>
    <message>
        <source>Enabled</source>
        <translation>Povoleno</translation>
    </message>
</context>
<context>
    <name>TfrBinAlrmUserSettings</name>
    <message>
        <source>On closing</source>
        <translation>Při sepnutí</translation>
    </message>
    <message>
        <source>On opening</source>
        <translation>Při rozepnutí</translation>
    </message>
</context>
<context>
    <name>ValueText</name>
    <message>
        <source>closed</source>
        <translation>sepnuto</translation>
    </message>
    <message>
        <source>open</source>
        <translation>rozepnuto</translation>
    </message>
    <message>
        <source>active</source>
        <translation>aktivní</translation>
    </message>
    <message>
        <source>inactive</source>
        <translation>neaktivní</translation>
    </message>
</context>
</TS>
