<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Clipferry::FormChecks</name>
    <message>
        <source>Choose the video to publish.</source>
        <translation>Wählen Sie das Video, das veröffentlicht werden soll.</translation>
    </message>
    <message>
        <source>There is no such file.</source>
        <translation>Diese Datei gibt es nicht.</translation>
    </message>
    <message>
        <source>This is not a file.</source>
        <translation>Das ist keine Datei.</translation>
    </message>
    <message>
        <source>The file cannot be read.</source>
        <translation>Die Datei kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The file is empty; there is nothing to publish.</source>
        <translation>Die Datei ist leer; es gibt nichts zu veröffentlichen.</translation>
    </message>
    <message>
        <source>The file&apos;s name holds a control character; rename the file.</source>
        <translation>Der Dateiname enthält ein Steuerzeichen; benennen Sie die Datei um.</translation>
    </message>
    <message>
        <source>Lumivid does not take this type of file; it takes %1.</source>
        <translation>Lumivid nimmt diesen Dateityp nicht an; es nimmt %1 an.</translation>
    </message>
    <message>
        <source>Holds a control character, which Lumivid cannot take (tabs and line breaks are fine).</source>
        <translation>Enthält ein Steuerzeichen, das Lumivid nicht annehmen kann (Tabulatoren und Zeilenumbrüche sind erlaubt).</translation>
    </message>
    <message>
        <source>Holds a control character, which Lumivid cannot take.</source>
        <translation>Enthält ein Steuerzeichen, das Lumivid nicht annehmen kann.</translation>
    </message>
    <message numerus="yes">
        <source>Too long by %n byte(s); Lumivid takes %1 bytes.</source>
        <translation>
            <numerusform>Um %n Byte zu lang; Lumivid nimmt höchstens %1 Bytes an.</numerusform>
            <numerusform>Um %n Bytes zu lang; Lumivid nimmt höchstens %1 Bytes an.</numerusform>
        </translation>
    </message>
    <message>
        <source>Give the video a title.</source>
        <translation>Geben Sie dem Video einen Titel.</translation>
    </message>
    <message>
        <source>The title is only blanks; give it words.</source>
        <translation>Der Titel besteht nur aus Leerzeichen; geben Sie ihm Worte.</translation>
    </message>
    <message>
        <source>Choose at least one category.</source>
        <translation>Wählen Sie mindestens eine Kategorie.</translation>
    </message>
    <message>
        <source>Choose at most %1 categories.</source>
        <translation>Wählen Sie höchstens %1 Kategorien.</translation>
    </message>
</context>
<context>
    <name>Clipferry::PublishDialog</name>
    <message>
        <source>Give your user name.</source>
        <translation>Geben Sie Ihren Benutzernamen ein.</translation>
    </message>
    <message>
        <source>Logging in…</source>
        <translation>Anmeldung läuft…</translation>
    </message>
    <message>
        <source>Logged in to Lumivid as %1.</source>
        <translation>Bei Lumivid angemeldet als %1.</translation>
    </message>
    <message>
        <source>Choose one…</source>
        <translation>Eine auswählen…</translation>
    </message>
    <message>
        <source>Several logins are remembered on this computer: choose yours, or type another.</source>
        <translation>Auf diesem Computer sind mehrere Anmeldungen gespeichert: Wählen Sie Ihre aus oder geben Sie eine andere ein.</translation>
    </message>
    <message>
        <source>This desktop has no password store; the password will be asked each time.</source>
        <translation>Diese Arbeitsumgebung hat keinen Passwortspeicher; das Passwort wird jedes Mal abgefragt.</translation>
    </message>
    <message>
        <source>Your login could not be remembered: %1</source>
        <translation>Ihre Anmeldung konnte nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>The user name or password is wrong.</source>
        <translation>Benutzername oder Passwort ist falsch.</translation>
    </message>
    <message>
        <source>The user name or password is too long, or holds a character that cannot be sent.</source>
        <translation>Benutzername oder Passwort ist zu lang oder enthält ein Zeichen, das nicht gesendet werden kann.</translation>
    </message>
    <message>
        <source>Sending “%1”</source>
        <translation>„%1“ wird gesendet</translation>
    </message>
    <message>
        <source>Finding the upload server…</source>
        <translation>Upload-Server wird gesucht…</translation>
    </message>
    <message>
        <source>All %1 went out and Lumivid&apos;s answer is awaited: if you stop now, you will not know whether it received the video.</source>
        <translation>Alle %1 sind gesendet und Lumivids Antwort steht aus: Wenn Sie jetzt abbrechen, erfahren Sie nicht, ob Lumivid das Video erhalten hat.</translation>
    </message>
    <message>
        <source>%1 of %2 would be lost.</source>
        <translation>%1 von %2 wären verloren.</translation>
    </message>
    <message>
        <source>Stop sending?</source>
        <translation>Senden abbrechen?</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Keep sending</source>
        <translation>&amp;Weiter senden</translation>
    </message>
    <message>
        <source>Cancelling…</source>
        <translation>Wird abgebrochen…</translation>
    </message>
    <message>
        <source>Loading the lists…</source>
        <translation>Listen werden geladen…</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keiner</translation>
    </message>
    <message>
        <source>This account may not choose a moderator.</source>
        <translation>Dieses Konto darf keinen Moderator wählen.</translation>
    </message>
    <message>
        <source>The lists could not be loaded: %1</source>
        <translation>Die Listen konnten nicht geladen werden: %1</translation>
    </message>
    <message>
        <source>Videos Lumivid takes (%1)</source>
        <translation>Videos, die Lumivid annimmt (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Choose a video</source>
        <translation>Video auswählen</translation>
    </message>
    <message>
        <source>Publish to Lumivid</source>
        <translation>Auf Lumivid veröffentlichen</translation>
    </message>
</context>
<context>
    <name>Clipferry::detail</name>
    <message>
        <source>Lumivid could not be reached (%1).</source>
        <translation>Lumivid war nicht erreichbar (%1).</translation>
    </message>
    <message>
        <source>The call failed (%1).</source>
        <translation>Der Aufruf ist fehlgeschlagen (%1).</translation>
    </message>
    <message>
        <source>Received, awaiting moderation</source>
        <translation>Erhalten, wartet auf Moderation</translation>
    </message>
    <message>
        <source>Lumivid received the video; it is published once a moderator has approved it. Lumivid says:</source>
        <translation>Lumivid hat das Video erhalten; es wird veröffentlicht, sobald ein Moderator es freigegeben hat. Lumivid meldet:</translation>
    </message>
    <message>
        <source>Published</source>
        <translation>Veröffentlicht</translation>
    </message>
    <message>
        <source>Lumivid received the video and says:</source>
        <translation>Lumivid hat das Video erhalten und meldet:</translation>
    </message>
    <message>
        <source>The video may have been received</source>
        <translation>Das Video ist vielleicht angekommen</translation>
    </message>
    <message>
        <source>The whole video went out, but no verdict came back (%1). Lumivid may have it and publish it: look for it among your videos before you send it again.</source>
        <translation>Das ganze Video wurde gesendet, aber es kam keine Antwort zurück (%1). Vielleicht hat Lumivid es und veröffentlicht es: Suchen Sie es unter Ihren Videos, bevor Sie es noch einmal senden.</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>The upload was cancelled; the video was not published.</source>
        <translation>Das Hochladen wurde abgebrochen; das Video wurde nicht veröffentlicht.</translation>
    </message>
    <message>
        <source>Refused by Lumivid</source>
        <translation>Von Lumivid abgelehnt</translation>
    </message>
    <message>
        <source>Lumivid gave no reason.</source>
        <translation>Lumivid hat keinen Grund genannt.</translation>
    </message>
    <message>
        <source>Lumivid did not take the video and says:</source>
        <translation>Lumivid hat das Video nicht angenommen und meldet:</translation>
    </message>
    <message>
        <source>The upload broke off</source>
        <translation>Das Hochladen brach ab</translation>
    </message>
    <message>
        <source>The upload broke off at %1% and nothing was published. %2</source>
        <translation>Das Hochladen brach bei %1 % ab, und nichts wurde veröffentlicht. %2</translation>
    </message>
    <message>
        <source>Not sent</source>
        <translation>Nicht gesendet</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1/s</source>
        <translation>%1/s</translation>
    </message>
    <message>
        <source>--/s</source>
        <translation>--/s</translation>
    </message>
    <message>
        <source>stalled</source>
        <translation>stockt</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
    <message>
        <source>--:-- left</source>
        <translation>noch --:--</translation>
    </message>
    <message>
        <source>All sent · waiting for Lumivid&apos;s answer (%1)</source>
        <translation>Alles gesendet · warte auf Lumivids Antwort (%1)</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
</context>
<context>
    <name>Clipferry::detail::FormPage</name>
    <message>
        <source>Log &amp;out / another account</source>
        <translation>&amp;Abmelden / anderes Konto</translation>
    </message>
    <message>
        <source>C&amp;hoose…</source>
        <translation>Aus&amp;wählen…</translation>
    </message>
    <message>
        <source>words separated by spaces</source>
        <translation>Wörter, durch Leerzeichen getrennt</translation>
    </message>
    <message>
        <source>&amp;Reload the lists</source>
        <translation>Listen &amp;neu laden</translation>
    </message>
    <message>
        <source>&amp;Publish</source>
        <translation>&amp;Veröffentlichen</translation>
    </message>
    <message>
        <source>&amp;Video:</source>
        <translation>Vi&amp;deo:</translation>
    </message>
    <message>
        <source>&amp;Title:</source>
        <translation>&amp;Titel:</translation>
    </message>
    <message>
        <source>&amp;Description:</source>
        <translation>&amp;Beschreibung:</translation>
    </message>
    <message>
        <source>Ta&amp;gs:</source>
        <translation>Ta&amp;gs:</translation>
    </message>
    <message>
        <source>&amp;Moderator:</source>
        <translation>&amp;Moderator:</translation>
    </message>
    <message>
        <source>C&amp;ategories (one to three):</source>
        <translation>&amp;Kategorien (eine bis drei):</translation>
    </message>
    <message>
        <source>Publish a video to Lumivid</source>
        <translation>Ein Video auf Lumivid veröffentlichen</translation>
    </message>
</context>
<context>
    <name>Clipferry::detail::LoginPage</name>
    <message>
        <source>Remembered &amp;logins:</source>
        <translation>&amp;Gespeicherte Anmeldungen:</translation>
    </message>
    <message>
        <source>&amp;Remember me on this computer</source>
        <translation>Auf diesem Computer &amp;merken</translation>
    </message>
    <message>
        <source>&amp;User name:</source>
        <translation>&amp;Benutzername:</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>&amp;Log in</source>
        <translation>&amp;Anmelden</translation>
    </message>
    <message>
        <source>Log in to Lumivid</source>
        <translation>Bei Lumivid anmelden</translation>
    </message>
</context>
<context>
    <name>Clipferry::detail::SendingPage</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>Clipferry::detail::VerdictPage</name>
    <message>
        <source>&amp;Back to the form</source>
        <translation>&amp;Zurück zum Formular</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>PublisherWindow</name>
    <message>
        <source>Clipferry Publisher</source>
        <translation>Clipferry Publisher</translation>
    </message>
    <message>
        <source>Publish your videos to Lumivid</source>
        <translation>Ihre Videos auf Lumivid veröffentlichen</translation>
    </message>
    <message>
        <source>Drop video files here or choose them: each opens the publishing form in turn, where you log in, give it a title, a description and categories, and send it.</source>
        <translation>Legen Sie Videodateien hier ab oder wählen Sie sie aus: Jede öffnet der Reihe nach das Veröffentlichungsformular, in dem Sie sich anmelden, ihr einen Titel, eine Beschreibung und Kategorien geben und sie senden.</translation>
    </message>
    <message>
        <source>Drop videos here</source>
        <translation>Videos hier ablegen</translation>
    </message>
    <message>
        <source>&amp;Choose videos…</source>
        <translation>Videos &amp;auswählen…</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Choose videos to publish</source>
        <translation>Videos zum Veröffentlichen auswählen</translation>
    </message>
    <message>
        <source>Videos (*.mp4 *.m4v *.mov *.avi *.wmv *.mpg *.mpeg *.webm *.mkv);;All files (*)</source>
        <translation>Videos (*.mp4 *.m4v *.mov *.avi *.wmv *.mpg *.mpeg *.webm *.mkv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Publish %1 to Lumivid</source>
        <translation>%1 auf Lumivid veröffentlichen</translation>
    </message>
    <message>
        <source>Publish %1 to Lumivid (%2 of %3)</source>
        <translation>%1 auf Lumivid veröffentlichen (%2 von %3)</translation>
    </message>
    <message numerus="yes">
        <source>%n more waiting</source>
        <translation>
            <numerusform>%n weiteres wartet</numerusform>
            <numerusform>%n weitere warten</numerusform>
        </translation>
    </message>
</context>
</TS>
