<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>CallControl</name>
    <message>
        <source>Digita il numero 
a cui trasferire</source>
        <translation>Type the number 
to transfer to</translation>
    </message>
    <message>
        <source>Digita il numero a cui trasferire</source>
        <translation>Type the number to transfer to</translation>
    </message>
    <message>
        <source>Interno occupato</source>
        <translation>Extension busy</translation>
    </message>
    <message>
        <source>L&apos;interno %1 a cui si vuole inoltrare la chiamata è occupato.
Si desidera comunque procedere all&apos;inoltro?</source>
        <translation>Extension %1, to which you want to forward the call, is busy.
Do you want to forward the call anyway?</translation>
    </message>
    <message>
        <source>Si</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Inserire il numero a cui trasferire la chiamata:</source>
        <translation>Enter the number to transfer the call to:</translation>
    </message>
    <message>
        <source>Trasferimento cieco di chiamata</source>
        <translation>Blind call transfer</translation>
    </message>
    <message>
        <source>Trasferimento chiamata con offerta</source>
        <translation>Attended call transfer</translation>
    </message>
    <message>
        <source>Inoltro di chiamata</source>
        <translation>Call forward</translation>
    </message>
    <message>
        <source>Numero a cui vuoi trasferire la chiamata:</source>
        <translation>Number you want to transfer the call to:</translation>
    </message>
    <message>
        <source>Chiamata</source>
        <translation>Call</translation>
    </message>
</context>
<context>
    <name>CallEvents</name>
    <message>
        <source>Attualmente si sta avviando un&apos;altra conversazione.
Si desidera chiudere la chiamata in corso e avviarne una nuova?</source>
        <translation>Another call is currently being started.
Do you want to end the current call and start a new one?</translation>
    </message>
    <message>
        <source>Attualmente si è impegnati in un&apos;altra conversazione.
Si desidera mettere in attesa la chiamata in corso e avviarne una nuova?</source>
        <translation>You are currently on another call.
Do you want to put the current call on hold and start a new one?</translation>
    </message>
    <message>
        <source>Nuova chiamata</source>
        <translation>New call</translation>
    </message>
    <message>
        <source>La chiamata in corso con %1 è stata parcheggiata sulla stanza di parcheggio %2 con un timeout di %3 secondi.</source>
        <translation>The call with %1 has been parked in park slot %2 with a timeout of %3 seconds.</translation>
    </message>
    <message>
        <source>Errore critico</source>
        <translation>Critical error</translation>
    </message>
    <message>
        <source>Il motore SIP ha restituito il seguente errore: %1</source>
        <translation>The SIP engine returned the following error: %1</translation>
    </message>
</context>
<context>
    <name>CallLines</name>
    <message numerus="yes">
        <source>Altre %n chiamate in arrivo</source>
        <translation>
            <numerusform>%n more incoming call</numerusform>
            <numerusform>%n more incoming calls</numerusform>
        </translation>
    </message>
    <message>
        <source>Coda:</source>
        <translation>Queue:</translation>
    </message>
    <message>
        <source>Gruppo:</source>
        <translation>Group:</translation>
    </message>
    <message>
        <source>Ritorno da:</source>
        <translation>Returned from:</translation>
    </message>
    <message>
        <source>Chiamata in arrivo da:
%1</source>
        <translation>Incoming call from:
%1</translation>
    </message>
    <message>
        <source>Click-to-Call verso:
%1</source>
        <translation>Click-to-call to:
%1</translation>
    </message>
    <message>
        <source>Digita il numero a cui trasferire</source>
        <translation>Type the number to transfer to</translation>
    </message>
</context>
<context>
    <name>ChatController</name>
    <message>
        <source>Nuovo messaggio da </source>
        <translation>New message from </translation>
    </message>
</context>
<context>
    <name>CheckUpdateDlg</name>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Recupero lista aggiornamenti...</source>
        <translation>Retrieving the list of updates...</translation>
    </message>
    <message>
        <source>Scaricamento componenti aggiuntivi...</source>
        <translation>Downloading additional components...</translation>
    </message>
    <message>
        <source>Aggiornamento componenti in corso...</source>
        <translation>Updating components...</translation>
    </message>
</context>
<context>
    <name>DirectoryActions</name>
    <message>
        <source>L&apos;utente %1 si è liberato.
Clicca sul pulsante per chiamarlo.</source>
        <translation>User %1 is now free.
Click the button to call them.</translation>
    </message>
    <message>
        <source>Connessione al centralino interrotta.</source>
        <translation>Connection to the PBX lost.</translation>
    </message>
    <message>
        <source>Aggiungi nuovo contatto</source>
        <translation>Add new contact</translation>
    </message>
    <message>
        <source>Aggiorna contatto</source>
        <translation>Update contact</translation>
    </message>
    <message>
        <source>Cancellazione contatto</source>
        <translation>Delete contact</translation>
    </message>
    <message>
        <source>Sei sicuro di cancellare il contatto %1?</source>
        <translation>Are you sure you want to delete the contact %1?</translation>
    </message>
    <message>
        <source>Si</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>L&apos;indirizzo e-mail &quot;%1&quot; non è valido.</source>
        <translation>The e-mail address &quot;%1&quot; is not valid.</translation>
    </message>
    <message>
        <source> - Invio SMS</source>
        <translation> - Send SMS</translation>
    </message>
    <message>
        <source>Servizio SMS non disponibile.</source>
        <translation>SMS service not available.</translation>
    </message>
</context>
<context>
    <name>DirectoryMenus</name>
    <message>
        <source>Invia &amp;email: %1</source>
        <translation>Send e&amp;mail: %1</translation>
    </message>
    <message>
        <source>&amp;Chiama: %1</source>
        <translation>&amp;Call: %1</translation>
    </message>
    <message>
        <source>Invia &amp;SMS: %1</source>
        <translation>Send &amp;SMS: %1</translation>
    </message>
    <message>
        <source>&amp;Inoltra a: %1</source>
        <translation>&amp;Forward to: %1</translation>
    </message>
    <message>
        <source>&amp;Trasferisci con offerta: %1</source>
        <translation>Attended &amp;transfer: %1</translation>
    </message>
    <message>
        <source>Copia &amp;numero: %1</source>
        <translation>Copy &amp;number: %1</translation>
    </message>
    <message>
        <source>&amp;Aggiungi alla rubrica: %1</source>
        <translation>&amp;Add to address book: %1</translation>
    </message>
    <message>
        <source>&amp;Modifica il contatto: %1</source>
        <translation>&amp;Edit contact: %1</translation>
    </message>
    <message>
        <source>&amp;Elimina il contatto: %1</source>
        <translation>&amp;Delete contact: %1</translation>
    </message>
    <message>
        <source>C&amp;hat: %1</source>
        <translation>C&amp;hat: %1</translation>
    </message>
    <message>
        <source>&amp;Preleva: %1</source>
        <translation>&amp;Pick up: %1</translation>
    </message>
    <message>
        <source>&amp;Annulla prenotazione chiamata</source>
        <translation>Cancel call &amp;booking</translation>
    </message>
    <message>
        <source>&amp;Prenota chiamata</source>
        <translation>&amp;Book call</translation>
    </message>
</context>
<context>
    <name>DirectoryPanel</name>
    <message>
        <source>Invia SMS</source>
        <translation>Send SMS</translation>
    </message>
    <message>
        <source>Servizio Invia SMS non disponibile</source>
        <translation>SMS service not available</translation>
    </message>
    <message>
        <source>Aggiungi contatto</source>
        <translation>Add contact</translation>
    </message>
    <message>
        <source>Aggiunta contatto non supportata dalla versione di %1 a cui si è attualmente connessi.</source>
        <translation>Adding contacts is not supported by the version of %1 you are connected to.</translation>
    </message>
    <message>
        <source>Importazione contatti in corso...</source>
        <translation>Importing contacts...</translation>
    </message>
    <message>
        <source>IO</source>
        <translation>ME</translation>
    </message>
    <message>
        <source>Filtro Registro Chiamate</source>
        <translation>Call log filter</translation>
    </message>
</context>
<context>
    <name>DlgContactEdit</name>
    <message>
        <source>Aggiungi nuovo contatto</source>
        <translation>Add new contact</translation>
    </message>
    <message>
        <source>Nome (*)</source>
        <translation>Name (*)</translation>
    </message>
    <message>
        <source>Cognome (*)</source>
        <translation>Surname (*)</translation>
    </message>
    <message>
        <source>Ente</source>
        <translation>Organisation</translation>
    </message>
    <message>
        <source>Reparto</source>
        <translation>Department</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Dati mancanti</source>
        <translation>Missing data</translation>
    </message>
    <message>
        <source>Per salvare il contatto è necessario riempire i campi obbligatori.</source>
        <translation>Fill in the required fields to save the contact.</translation>
    </message>
    <message>
        <source>Errore di inserimento</source>
        <translation>Input error</translation>
    </message>
    <message>
        <source>Il valore di contatto inserito non è valido.
Prego correggere il valore.</source>
        <translation>The contact value entered is not valid.
Please correct it.</translation>
    </message>
</context>
<context>
    <name>DlgReportThreshold</name>
    <message>
        <source>Creazione report</source>
        <translation>Create report</translation>
    </message>
    <message>
        <source>Periodo del report</source>
        <translation>Report period</translation>
    </message>
    <message>
        <source>Soglie di monitoraggio (in secondi)</source>
        <translation>Monitoring thresholds (in seconds)</translation>
    </message>
    <message>
        <source>Sulle risposte</source>
        <translation>On answered calls</translation>
    </message>
    <message>
        <source>Sugli abbandoni</source>
        <translation>On abandoned calls</translation>
    </message>
    <message>
        <source>I soglia</source>
        <translation>1st threshold</translation>
    </message>
    <message>
        <source>II soglia</source>
        <translation>2nd threshold</translation>
    </message>
    <message>
        <source>III soglia</source>
        <translation>3rd threshold</translation>
    </message>
    <message>
        <source>IV soglia</source>
        <translation>4th threshold</translation>
    </message>
    <message>
        <source>V soglia</source>
        <translation>5th threshold</translation>
    </message>
    <message>
        <source>Scegli dove salvare il report</source>
        <translation>Choose where to save the report</translation>
    </message>
</context>
<context>
    <name>MPEngine</name>
    <message>
        <source>Il motore SIP ha restituito il seguente errore: %1</source>
        <translation>The SIP engine returned the following error: %1</translation>
    </message>
    <message>
        <source>Non è stato trovato un device audio per il microfono valido.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>No valid microphone audio device was found.
Contact your system administrator to fix the problem.</translation>
    </message>
    <message>
        <source>Il device audio per il microfono indicato nelle impostazioni non ha risposto correttamente.
Verrà utilizzato il microfono di default del sistema operativo.</source>
        <translation>The microphone audio device set in the settings did not respond correctly.
The operating system&apos;s default microphone will be used.</translation>
    </message>
    <message>
        <source>Non è stato trovato un device audio di ascolto valido.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>No valid playback audio device was found.
Contact your system administrator to fix the problem.</translation>
    </message>
    <message>
        <source>Il device audio per l&apos;ascolto indicato nelle impostazioni non ha risposto correttamente.
Verrà utilizzato il device audio di default del sistema operativo.</source>
        <translation>The playback audio device set in the settings did not respond correctly.
The operating system&apos;s default audio device will be used.</translation>
    </message>
    <message>
        <source>Non è stato trovato un device audio per la suoneria valido.
Non sarà possibile sentire la suoneria.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>No valid ringer audio device was found.
The ringtone will not be heard.
Contact your system administrator to fix the problem.</translation>
    </message>
    <message>
        <source>Il device audio per la suoneria indicato nelle impostazioni non ha risposto correttamente.
Verrà utilizzato il device audio di default del sistema operativo.</source>
        <translation>The ringer audio device set in the settings did not respond correctly.
The operating system&apos;s default audio device will be used.</translation>
    </message>
    <message>
        <source>Non ci sono più linee VoIP disponibili.</source>
        <translation>No more VoIP lines are available.</translation>
    </message>
    <message>
        <source>Errore di comunicazione con il microfono.
La chiamata verrà interrotta.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>Error communicating with the microphone.
The call will be ended.
Contact your system administrator to fix the problem.</translation>
    </message>
    <message>
        <source>Errore di comunicazione con la scheda audio. E&apos; impossibile riprodurre i suoni.
La chiamata verrà interrotta.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>Error communicating with the sound card. Sounds cannot be played.
The call will be ended.
Contact your system administrator to fix the problem.</translation>
    </message>
</context>
<context>
    <name>MPGui</name>
    <message>
        <source> - Chiusura applicazione</source>
        <translation> - Closing the application</translation>
    </message>
    <message>
        <source>Sei sicuro di voler chiudere l&apos;applicazione&lt;br&gt;</source>
        <translation>Are you sure you want to close the application&lt;br&gt;</translation>
    </message>
    <message>
        <source>?&lt;br&gt;Tutte chiamate in corso verranno interrotte.</source>
        <translation>?&lt;br&gt;All calls in progress will be ended.</translation>
    </message>
    <message>
        <source>&amp;Connetti a %1</source>
        <translation>&amp;Connect to %1</translation>
    </message>
    <message>
        <source>&amp;Disconnetti da %1</source>
        <translation>&amp;Disconnect from %1</translation>
    </message>
    <message>
        <source>Mi&amp;nimizza</source>
        <translation>Mi&amp;nimise</translation>
    </message>
    <message>
        <source>&amp;Ripristina</source>
        <translation>&amp;Restore</translation>
    </message>
    <message>
        <source>Impostazioni</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>Crea &amp;Report</source>
        <translation>Create &amp;report</translation>
    </message>
    <message>
        <source>&amp;Pausa su tutte le code</source>
        <translation>&amp;Pause on all queues</translation>
    </message>
    <message>
        <source>Invia &amp;log al supporto tecnico</source>
        <translation>Send the &amp;log to technical support</translation>
    </message>
    <message>
        <source>Telefono fisso</source>
        <translation>Desk phone</translation>
    </message>
    <message>
        <source>Softphone</source>
        <translation>Softphone</translation>
    </message>
    <message>
        <source>CTI</source>
        <translation>CTI</translation>
    </message>
    <message>
        <source>Utente: NON CONNESSO</source>
        <translation>User: NOT CONNECTED</translation>
    </message>
    <message>
        <source>&amp;Connetti a MCTI</source>
        <translation>&amp;Connect to MCTI</translation>
    </message>
    <message>
        <source>&amp;Disconnetti da MCTI</source>
        <translation>&amp;Disconnect from MCTI</translation>
    </message>
    <message>
        <source>&amp;Impostazioni</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>&amp;Pausa sulla coda</source>
        <translation>&amp;Pause on the queue</translation>
    </message>
    <message>
        <source>%1 - connessione in corso...</source>
        <translation>%1 - connecting...</translation>
    </message>
    <message>
        <source>Versione PBX non compatibile</source>
        <translation>Incompatible PBX version</translation>
    </message>
    <message>
        <source>Questa versione di %1 richiede che su %2 sia presente una versione firmware uguale o superiore alla %3.%4.%5.
Il programma verrà chiuso.</source>
        <translation>This version of %1 needs firmware version %3.%4.%5 or later on %2.
The program will close.</translation>
    </message>
    <message>
        <source>Utente: CONNESSO</source>
        <translation>User: CONNECTED</translation>
    </message>
    <message>
        <source>Importazione contatti in corso...</source>
        <translation>Importing contacts...</translation>
    </message>
    <message>
        <source>%1 - Phone non registrato</source>
        <translation>%1 - phone not registered</translation>
    </message>
    <message>
        <source>%1 - connesso</source>
        <translation>%1 - connected</translation>
    </message>
    <message>
        <source>Connesso a %1 in modalità %2</source>
        <translation>Connected to %1 in %2 mode</translation>
    </message>
    <message>
        <source>%1 - disconnessione in corso...</source>
        <translation>%1 - disconnecting...</translation>
    </message>
    <message>
        <source>%1 - disconnesso</source>
        <translation>%1 - disconnected</translation>
    </message>
    <message>
        <source>Errore autenticazione</source>
        <translation>Authentication error</translation>
    </message>
    <message>
        <source>Username o password errati, modificarli per connettersi</source>
        <translation>Wrong username or password; change them to connect</translation>
    </message>
    <message>
        <source>Impossibile connettersi a %1. 
Motivo: %2</source>
        <translation>Cannot connect to %1. 
Reason: %2</translation>
    </message>
    <message>
        <source>La connessione con %1 è stata chiusa. 
Motivo: %2</source>
        <translation>The connection to %1 was closed. 
Reason: %2</translation>
    </message>
    <message>
        <source>La versione dell&apos;applicazione utilizzata non è supportata dal server. 
Per proseguire è necessario aggiornare l&apos;applicazione!</source>
        <translation>This version of the application is not supported by the server. 
Update the application to continue!</translation>
    </message>
    <message>
        <source>Username o password errati</source>
        <translation>Wrong username or password</translation>
    </message>
    <message>
        <source>Nome del server sconosciuto.
Controllare le impostazioni di rete</source>
        <translation>Unknown server name.
Check the network settings</translation>
    </message>
    <message>
        <source>Indirizzo di rete non permesso</source>
        <translation>Network address not allowed</translation>
    </message>
    <message>
        <source>Si</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>SCONOSCIUTO</source>
        <translation>UNKNOWN</translation>
    </message>
    <message>
        <source>Nuove chiamate perse</source>
        <translation>New missed calls</translation>
    </message>
    <message>
        <source>T</source>
        <translation>T</translation>
    </message>
    <message>
        <source>Direzione della chiamata</source>
        <translation>Call direction</translation>
    </message>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Contatto</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>Numero</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Durata</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Chiamata in ingresso non risposta</source>
        <translation>Unanswered incoming call</translation>
    </message>
    <message>
        <source>Chiamata in ingresso risposta</source>
        <translation>Answered incoming call</translation>
    </message>
    <message>
        <source>Chiamata in uscita non risposta</source>
        <translation>Unanswered outgoing call</translation>
    </message>
    <message>
        <source>Chiamata in uscita risposta</source>
        <translation>Answered outgoing call</translation>
    </message>
    <message>
        <source>Chiamata locale in ingresso non risposta</source>
        <translation>Unanswered internal incoming call</translation>
    </message>
    <message>
        <source>Chiamata locale in ingresso risposta</source>
        <translation>Answered internal incoming call</translation>
    </message>
    <message>
        <source>Chiamata locale in uscita non risposta</source>
        <translation>Unanswered internal outgoing call</translation>
    </message>
    <message>
        <source>Chiamata locale in uscita risposta</source>
        <translation>Answered internal outgoing call</translation>
    </message>
    <message>
        <source>Deviato in segreteria telefonica</source>
        <translation>Diverted to voicemail</translation>
    </message>
    <message>
        <source>Cognome</source>
        <translation>Surname</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>Reparto</source>
        <translation>Department</translation>
    </message>
    <message>
        <source>C</source>
        <translation>C</translation>
    </message>
    <message>
        <source>Stato CTI</source>
        <translation>CTI state</translation>
    </message>
    <message>
        <source>Stato telefono</source>
        <translation>Phone state</translation>
    </message>
    <message>
        <source>Num</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Pref.</source>
        <translation>Fav.</translation>
    </message>
    <message>
        <source>Preferito</source>
        <translation>Favourite</translation>
    </message>
    <message>
        <source>SMS correttamente inviato</source>
        <translation>SMS sent successfully</translation>
    </message>
    <message>
        <source>Telefono registrato</source>
        <translation>Phone registered</translation>
    </message>
    <message>
        <source>Avvia chiamata</source>
        <translation>Start call</translation>
    </message>
    <message>
        <source>Telefono non registrato</source>
        <translation>Phone not registered</translation>
    </message>
    <message>
        <source>Avvia chiamata - telefono non registrato</source>
        <translation>Start call - phone not registered</translation>
    </message>
    <message>
        <source>La negoziazione TLS è fallita.
Controllare la presenza di un certificato valido.</source>
        <translation>TLS negotiation failed.
Check that a valid certificate is present.</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>%1 disconnessa</source>
        <translation>%1 disconnected</translation>
    </message>
    <message>
        <source>%1 - Selezione account</source>
        <translation>%1 - Account selection</translation>
    </message>
    <message>
        <source>Per proseguire è necessario selezionare l&apos;account da utilizzare.</source>
        <translation>Select the account to use to continue.</translation>
    </message>
    <message>
        <source>Interno %1</source>
        <translation>Extension %1</translation>
    </message>
    <message>
        <source>Aggiornamento fallito</source>
        <translation>Update failed</translation>
    </message>
    <message>
        <source>Si è verificato un errore durante l&apos;aggiornamento di %1.
Contattare l&apos;amministratore di sistema.
Errore: %2</source>
        <translation>An error occurred while updating %1.
Contact your system administrator.
Error: %2</translation>
    </message>
    <message>
        <source>Nuova versione disponibile: %1
Aggiornare ora?</source>
        <translation>New version available: %1
Update now?</translation>
    </message>
</context>
<context>
    <name>MSettingsDialog</name>
    <message>
        <source>Impostazioni</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Impostazioni CTI</source>
        <translation>CTI settings</translation>
    </message>
    <message>
        <source>Modalità applicativa</source>
        <translation>Operating mode</translation>
    </message>
    <message>
        <source>Selezionare la modalità di utilizzo</source>
        <translation>Select how the application is used</translation>
    </message>
    <message>
        <source>Solo CTI</source>
        <translation>CTI only</translation>
    </message>
    <message>
        <source>Telefono fisso</source>
        <translation>Desk phone</translation>
    </message>
    <message>
        <source>Softphone integrato</source>
        <translation>Built-in softphone</translation>
    </message>
    <message>
        <source>Seleziona lingua</source>
        <translation>Select language</translation>
    </message>
    <message>
        <source>Italiano</source>
        <translation>Italian</translation>
    </message>
    <message>
        <source>Inglese</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Spagnolo</source>
        <translation>Spanish</translation>
    </message>
    <message>
        <source>Indirizzo PBX</source>
        <translation>PBX address</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Username</translation>
    </message>
    <message>
        <source>username@domain</source>
        <translation>username@domain</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Mostra caratteri</source>
        <translation>Show characters</translation>
    </message>
    <message>
        <source>Servizi</source>
        <translation>Services</translation>
    </message>
    <message>
        <source>Servizio Copy-to-call (solo per chiamare utenze esterne)</source>
        <translation>Copy-to-call service (external numbers only)</translation>
    </message>
    <message>
        <source>Importa i contatti di Microsoft Outlook</source>
        <translation>Import Microsoft Outlook contacts</translation>
    </message>
    <message>
        <source>Avvia minimizzato come icona di sistema</source>
        <translation>Start minimised to the system tray</translation>
    </message>
    <message>
        <source>Abilita popup di ricezione chiamata</source>
        <translation>Show a pop-up for incoming calls</translation>
    </message>
    <message>
        <source>Metti in pausa su tutte le code al logout</source>
        <translation>Pause on all queues at log-out</translation>
    </message>
    <message>
        <source>Metti in pausa su tutte le code alla risposta di una chiamata di coda</source>
        <translation>Pause on all queues when answering a queue call</translation>
    </message>
    <message>
        <source>Tasti di scelta rapida</source>
        <translation>Shortcut keys</translation>
    </message>
    <message>
        <source>Chiamata rapida</source>
        <translation>Rapid call</translation>
    </message>
    <message>
        <source>Lista account</source>
        <translation>Account list</translation>
    </message>
    <message>
        <source>Seleziona l&apos;account da utilizzare:</source>
        <translation>Select the account to use:</translation>
    </message>
    <message>
        <source>Azioni automatiche</source>
        <translation>Automatic actions</translation>
    </message>
    <message>
        <source>Comportamento sulle chiamate in ingresso</source>
        <translation>Behaviour on incoming calls</translation>
    </message>
    <message>
        <source>Aggiungi azione</source>
        <translation>Add action</translation>
    </message>
    <message>
        <source>Modifica azione</source>
        <translation>Edit action</translation>
    </message>
    <message>
        <source>Elimina azione</source>
        <translation>Delete action</translation>
    </message>
    <message>
        <source>Applica le azioni anche agli interni</source>
        <translation>Apply the actions to extensions too</translation>
    </message>
    <message>
        <source>Applica le azioni anche alle chiamate c2c</source>
        <translation>Apply the actions to click-to-call calls too</translation>
    </message>
    <message>
        <source>Applica le azioni anche alle chiamate uscenti</source>
        <translation>Apply the actions to outgoing calls too</translation>
    </message>
    <message>
        <source>Impostazioni azione</source>
        <translation>Action settings</translation>
    </message>
    <message>
        <source>Evento</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>Ricezione di una chiamata</source>
        <translation>Call received</translation>
    </message>
    <message>
        <source>Risposta ad una chiamata</source>
        <translation>Call answered</translation>
    </message>
    <message>
        <source>Chiusura di una chiamata</source>
        <translation>Call ended</translation>
    </message>
    <message>
        <source>Tipologia di azione</source>
        <translation>Action type</translation>
    </message>
    <message>
        <source>Apri un url dinamico</source>
        <translation>Open a dynamic URL</translation>
    </message>
    <message>
        <source>Esegui un processo esterno</source>
        <translation>Run an external program</translation>
    </message>
    <message>
        <source>Azione</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Numero del chiamante</source>
        <translation>Caller number</translation>
    </message>
    <message>
        <source>Nome del chiamante</source>
        <translation>Caller name</translation>
    </message>
    <message>
        <source>Azienda del chiamante</source>
        <translation>Caller company</translation>
    </message>
    <message>
        <source>Reparto del chiamante</source>
        <translation>Caller department</translation>
    </message>
    <message>
        <source>Numero interno</source>
        <translation>Extension number</translation>
    </message>
    <message>
        <source>Nome della coda</source>
        <translation>Queue name</translation>
    </message>
    <message>
        <source>ID della chiamata</source>
        <translation>Call ID</translation>
    </message>
    <message>
        <source>Numero chiamato</source>
        <translation>Called number</translation>
    </message>
    <message>
        <source>Inserisci campo</source>
        <translation>Insert field</translation>
    </message>
    <message>
        <source>Salva azione</source>
        <translation>Save action</translation>
    </message>
    <message>
        <source>Avanzate</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>Aggiornamenti</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Controlla aggiornamenti all&apos;avvio</source>
        <translation>Check for updates at start-up</translation>
    </message>
    <message>
        <source>Controlla aggiornamenti ogni (minuti)</source>
        <translation>Check for updates every (minutes)</translation>
    </message>
    <message>
        <source>CDR</source>
        <translation>CDR</translation>
    </message>
    <message>
        <source>Massimo intervallo visualizzazione (giorni)</source>
        <translation>Longest period shown (days)</translation>
    </message>
    <message>
        <source>Impostazioni Softphone</source>
        <translation>Softphone settings</translation>
    </message>
    <message>
        <source>Impostazioni SIP</source>
        <translation>SIP settings</translation>
    </message>
    <message>
        <source>Protocollo di trasporto</source>
        <translation>Transport protocol</translation>
    </message>
    <message>
        <source>Certificati...</source>
        <translation>Certificates...</translation>
    </message>
    <message>
        <source>SIP Registrar</source>
        <translation>SIP registrar</translation>
    </message>
    <message>
        <source>Usa SIP Registrar locale</source>
        <translation>Use the local SIP registrar</translation>
    </message>
    <message>
        <source>SIP Proxy</source>
        <translation>SIP proxy</translation>
    </message>
    <message>
        <source>Preferenze Codec Audio</source>
        <translation>Audio codec preferences</translation>
    </message>
    <message>
        <source>Impostazioni audio</source>
        <translation>Audio settings</translation>
    </message>
    <message>
        <source>Device per il microfono</source>
        <translation>Microphone device</translation>
    </message>
    <message>
        <source>Device per lo speaker</source>
        <translation>Speaker device</translation>
    </message>
    <message>
        <source>Device per la suoneria</source>
        <translation>Ringer device</translation>
    </message>
    <message>
        <source>CTI vers. </source>
        <translation>CTI ver. </translation>
    </message>
    <message>
        <source>Chiamata in arrivo (squillo)</source>
        <translation>Incoming call (ringing)</translation>
    </message>
    <message>
        <source>Chiusura di una chiamata (riaggancio)</source>
        <translation>Call ended (hang-up)</translation>
    </message>
    <message>
        <source>Apri un Url personalizzato</source>
        <translation>Open a custom URL</translation>
    </message>
    <message>
        <source>Esegui un processo o uno script</source>
        <translation>Run a program or a script</translation>
    </message>
    <message>
        <source>Se abilitato è possibile richiedere l&apos;avvio di una chiamata
semplicemente selezionando la stringa contenente il numero
e copiandola nella clipboard.
Una volta copiata la stringa l&apos;applicazione provvede in automatico
a rimuovere spazi e altri caratteri speciali
e chiede all&apos;utente conferma prima di avviare la chiamata.</source>
        <translation>When enabled, a call can be started
simply by selecting the text that holds the number
and copying it to the clipboard.
Once the text is copied the application automatically
removes blanks and other special characters
and asks the user to confirm before starting the call.</translation>
    </message>
    <message>
        <source>%1 vers. %2</source>
        <translation>%1 ver. %2</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Non è stato possibile salvare le impostazioni nel file:
%1</source>
        <translation>The settings could not be saved to the file:
%1</translation>
    </message>
    <message>
        <source>Sembra che sia la prima volta che si esegue %1.
Prego inserire i dati di connessione a %2.</source>
        <translation>This seems to be the first time %1 runs.
Please enter the connection details for %2.</translation>
    </message>
    <message>
        <source>Inserire password solo per cambiare la precedente</source>
        <translation>Enter a password only to replace the current one</translation>
    </message>
    <message>
        <source>Evento a cui collegare l&apos;azione</source>
        <translation>Event that triggers the action</translation>
    </message>
    <message>
        <source>Tipologia di azione da avviare</source>
        <translation>Type of action to start</translation>
    </message>
    <message>
        <source>Dettaglio azione</source>
        <translation>Action details</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Il campo &quot;Azione&quot; non può essere vuoto</source>
        <translation>The &quot;Action&quot; field cannot be empty</translation>
    </message>
    <message>
        <source>Conferma cancellazione azione</source>
        <translation>Confirm action deletion</translation>
    </message>
    <message>
        <source>Si è sicuri di voler cancellare questa azione?</source>
        <translation>Are you sure you want to delete this action?</translation>
    </message>
    <message>
        <source>Errore di indirizzamento</source>
        <translation>Address error</translation>
    </message>
    <message>
        <source>L&apos;indirizzo IP fornito per %1 non è in un formato valido.</source>
        <translation>The IP address given for %1 is not in a valid format.</translation>
    </message>
    <message>
        <source>L&apos;indirizzo IP fornito per il server SIP non è in un formato valido.</source>
        <translation>The IP address given for the SIP server is not in a valid format.</translation>
    </message>
    <message>
        <source>Account non in uso</source>
        <translation>Account not in use</translation>
    </message>
    <message>
        <source>L&apos;account selezionato non e&apos; utilizzato da nessun terminale.
Sei sicuro di volerlo utilizzare?</source>
        <translation>The selected account is not used by any device.
Are you sure you want to use it?</translation>
    </message>
    <message>
        <source>Account gia&apos; in uso</source>
        <translation>Account already in use</translation>
    </message>
    <message>
        <source>L&apos;account selezionato e&apos; gia&apos; utilizzato dal terminale:
%1.
Sei sicuro di volerlo utilizzare?</source>
        <translation>The selected account is already used by the device:
%1.
Are you sure you want to use it?</translation>
    </message>
    <message>
        <source>Modificati i parametri principali del MCTI</source>
        <translation>Main MCTI settings changed</translation>
    </message>
    <message>
        <source>Cambiare i parametri del softphone richiede la chiusura di eventuali chiamate telefoniche in corso. Si è sicuri di voler applicare immediatamente le modifiche?</source>
        <translation>Changing the softphone settings ends any calls in progress. Are you sure you want to apply the changes now?</translation>
    </message>
    <message>
        <source>I cambiamenti relativi alla tipologia di applicazione o alla lingua dell&apos;interfaccia saranno operativi al prossimo riavvio dell&apos;applicazione stessa. Si è sicuri di volere applicare immediatamente le modifiche e riavviare l&apos;applicazione?</source>
        <translation>Changes to the operating mode or to the interface language take effect when the application restarts. Are you sure you want to apply the changes now and restart the application?</translation>
    </message>
    <message>
        <source>Tasti di scelta rapida non validi</source>
        <translation>Invalid shortcut keys</translation>
    </message>
    <message>
        <source>I seguenti tasti di scelta rapida non sono validi o non è stato possibile registrarli sul sistema: 

%1
Verranno ripristinati i valori precedenti.</source>
        <translation>The following shortcut keys are not valid or could not be registered with the system: 

%1
The previous values will be restored.</translation>
    </message>
    <message>
        <source>Salva e riavvia</source>
        <translation>Save and restart</translation>
    </message>
</context>
<context>
    <name>MessagingPanel</name>
    <message>
        <source>Servizio Fork To Mobile non configurato</source>
        <translation>Fork to mobile service not configured</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Il campo contenente il numero verso cui redirigere la chiamata non può essere vuoto.</source>
        <translation>The field with the number to redirect the call to cannot be empty.</translation>
    </message>
    <message>
        <source>Casella vocale</source>
        <translation>Voicemail</translation>
    </message>
    <message>
        <source>Servizio Audioconferenza</source>
        <translation>Audio conference service</translation>
    </message>
    <message>
        <source>Sono presenti %1 nuovi messaggi in segreteria</source>
        <translation>There are %1 new voicemail messages</translation>
    </message>
    <message>
        <source>Casella vocale - %1 nuovi messaggi in segreteria</source>
        <translation>Voicemail - %1 new messages</translation>
    </message>
    <message>
        <source>Nessun nuovo messaggio in segreteria</source>
        <translation>No new voicemail messages</translation>
    </message>
    <message>
        <source>Casella vocale - Nessun nuovo messaggio in segreteria</source>
        <translation>Voicemail - no new messages</translation>
    </message>
</context>
<context>
    <name>MspMainWidget</name>
    <message>
        <source>Da:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>A:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>Clicca per scegliere il periodo</source>
        <translation>Click to choose the period</translation>
    </message>
    <message>
        <source>Utenti in coda</source>
        <translation>Callers in queue</translation>
    </message>
    <message>
        <source>Ch. più antica</source>
        <translation>Oldest call</translation>
    </message>
    <message>
        <source>T.M. attesa</source>
        <translation>Avg. wait</translation>
    </message>
    <message>
        <source>Operatori</source>
        <translation>Agents</translation>
    </message>
    <message>
        <source>Ch. perse
(periodo)</source>
        <translation>Lost calls
(period)</translation>
    </message>
    <message>
        <source>Ch. servite
(periodo)</source>
        <translation>Calls served
(period)</translation>
    </message>
    <message>
        <source>T.M. attesa
(periodo)</source>
        <translation>Avg. wait
(period)</translation>
    </message>
    <message>
        <source>T.M. conv.
(periodo)</source>
        <translation>Avg. talk
(period)</translation>
    </message>
    <message>
        <source>T</source>
        <translation>T</translation>
    </message>
    <message>
        <source>Operatori Disponibili/Occupati/In pausa/Non registrati</source>
        <translation>Agents available/busy/paused/not registered</translation>
    </message>
    <message>
        <source>Stato dell&apos;interno non disponibile</source>
        <translation>Extension state not available</translation>
    </message>
    <message>
        <source>Interno libero</source>
        <translation>Extension free</translation>
    </message>
    <message>
        <source>Interno in conversazione</source>
        <translation>Extension in a call</translation>
    </message>
    <message>
        <source>Interno occupato</source>
        <translation>Extension busy</translation>
    </message>
    <message>
        <source>L&apos;interno sta squillando</source>
        <translation>The extension is ringing</translation>
    </message>
    <message>
        <source>Interno in attesa</source>
        <translation>Extension on hold</translation>
    </message>
    <message>
        <source>Rimuovi </source>
        <translation>Remove </translation>
    </message>
    <message>
        <source> dalla coda </source>
        <translation> from queue </translation>
    </message>
    <message>
        <source>Aggiungi </source>
        <translation>Add </translation>
    </message>
    <message>
        <source> alla coda </source>
        <translation> to queue </translation>
    </message>
    <message>
        <source>Ultima ora</source>
        <translation>Last hour</translation>
    </message>
    <message>
        <source>Oggi</source>
        <translation>Today</translation>
    </message>
    <message>
        <source>Ieri</source>
        <translation>Yesterday</translation>
    </message>
    <message>
        <source>Settimana corrente</source>
        <translation>This week</translation>
    </message>
    <message>
        <source>Mese corrente</source>
        <translation>This month</translation>
    </message>
    <message>
        <source>Mese precedente</source>
        <translation>Last month</translation>
    </message>
    <message>
        <source>Ultimi 30gg</source>
        <translation>Last 30 days</translation>
    </message>
    <message>
        <source>Ultimi 60gg</source>
        <translation>Last 60 days</translation>
    </message>
    <message>
        <source>Ultimi 90gg</source>
        <translation>Last 90 days</translation>
    </message>
</context>
<context>
    <name>PbxServices::ServiceState</name>
    <message>
        <source>Do Not Disturb non attivo</source>
        <translation>Do not disturb is off</translation>
    </message>
    <message>
        <source>Do Not Disturb</source>
        <translation>Do not disturb</translation>
    </message>
    <message>
        <source>Do Not Disturb attivo</source>
        <translation>Do not disturb is on</translation>
    </message>
    <message>
        <source>Inoltro incondizionato</source>
        <translation>Unconditional forwarding</translation>
    </message>
    <message>
        <source>Inoltro incondizionato non attivo</source>
        <translation>Unconditional forwarding is off</translation>
    </message>
    <message>
        <source>Inoltro incondizionato attivo</source>
        <translation>Unconditional forwarding is on</translation>
    </message>
    <message>
        <source>Inoltro incondizionato attivo su %1</source>
        <translation>Unconditional forwarding to %1 is on</translation>
    </message>
    <message>
        <source>Servizio Fork To Mobile</source>
        <translation>Fork to mobile service</translation>
    </message>
    <message>
        <source>Servizio Fork To Mobile non disponibile</source>
        <translation>Fork to mobile service not available</translation>
    </message>
    <message>
        <source>Fork To Mobile attivo: %1</source>
        <translation>Fork to mobile on: %1</translation>
    </message>
    <message>
        <source>Fork To Mobile non attivo: %1</source>
        <translation>Fork to mobile off: %1</translation>
    </message>
    <message>
        <source>Fork To Mobile attivo - numero associato %1</source>
        <translation>Fork to mobile on - linked number %1</translation>
    </message>
    <message>
        <source>Fork To Mobile non attivo - numero associato %1</source>
        <translation>Fork to mobile off - linked number %1</translation>
    </message>
</context>
<context>
    <name>PhoneBackends</name>
    <message>
        <source>Modalità telefono fisso</source>
        <translation>Desk phone mode</translation>
    </message>
    <message>
        <source>Il telefono %1 associato a questa identità ha un firmware la cui versione non consente l&apos;uso delle API specifiche. 
E&apos; necessario che il telefono abbia una versione firmware superiore o uguale alla 8.7.3.
Fino ad allora il telefono non può essere comandato in modalità telefono fisso.</source>
        <translation>The phone %1 linked to this identity has a firmware version that does not allow the use of the specific API. 
The phone needs firmware version 8.7.3 or later.
Until then the phone cannot be controlled in desk phone mode.</translation>
    </message>
    <message>
        <source>Errore di autenticazione sul telefono associato.
Contatta l&apos;amministratore del PBX.</source>
        <translation>Authentication error on the linked phone.
Contact the PBX administrator.</translation>
    </message>
    <message>
        <source>Tel. associato: %1</source>
        <translation>Linked phone: %1</translation>
    </message>
    <message>
        <source>Le impostazioni della centrale sono cambiate. Per usarle disconnettersi e riconnettersi.</source>
        <translation>The PBX settings have changed. Disconnect and reconnect to use them.</translation>
    </message>
    <message>
        <source>Il motore SIP non è partito: il telefono non è disponibile.</source>
        <translation>The SIP engine did not start: the phone is not available.</translation>
    </message>
</context>
<context>
    <name>QDialog</name>
    <message>
        <source>Errore durante la copia dei seguenti certificati:&lt;br&gt;  </source>
        <translation>Error while copying the following certificates:&lt;br&gt;  </translation>
    </message>
    <message>
        <source>Sono stati aggiunti dei nuovi certificati; riavviare l&apos;applicativo per renderli operativi</source>
        <translation>New certificates have been added; restart the application to use them</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Impossibile chiudere la chiamata</source>
        <translation>Cannot end the call</translation>
    </message>
    <message>
        <source>Operazione non supportata dal telefono associato</source>
        <translation>Operation not supported by the linked phone</translation>
    </message>
    <message>
        <source>&quot;%1&quot; non è un numero valido.</source>
        <translation>&quot;%1&quot; is not a valid number.</translation>
    </message>
</context>
<context>
    <name>QueuesController</name>
    <message>
        <source>Stato Code: N/D</source>
        <translation>Queue status: N/A</translation>
    </message>
    <message>
        <source>Pannello supervisore</source>
        <translation>Supervisor panel</translation>
    </message>
    <message>
        <source>Pannello supervisore non disponibile</source>
        <translation>Supervisor panel not available</translation>
    </message>
    <message>
        <source>Annulla pausa su tutte le code</source>
        <translation>Unpause on all queues</translation>
    </message>
    <message>
        <source>Stato Code: ATTIVE</source>
        <translation>Queue status: ACTIVE</translation>
    </message>
    <message>
        <source>Metti in pausa su tutte le code</source>
        <translation>Pause on all queues</translation>
    </message>
    <message>
        <source>Stato Code: PARZ.IN PAUSA</source>
        <translation>Queue status: PART. PAUSED</translation>
    </message>
    <message>
        <source>Stato Code: IN PAUSA</source>
        <translation>Queue status: PAUSED</translation>
    </message>
    <message>
        <source>CallCenter report</source>
        <translation>Call centre report</translation>
    </message>
    <message>
        <source>Il report CallCenter richiesto è stato creato in
%1</source>
        <translation>The requested call centre report was created in
%1</translation>
    </message>
    <message>
        <source>Si è verificato un errore durante la creazione del report CallCenter.
Errore: %1</source>
        <translation>An error occurred while creating the call centre report.
Error: %1</translation>
    </message>
</context>
<context>
    <name>RapidCall</name>
    <message>
        <source>Clicca sul pulsante per chiamare
%1 (chiamata esterna)</source>
        <translation>Click the button to call
%1 (external call)</translation>
    </message>
</context>
<context>
    <name>VeloraCTI</name>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>Disponibile</source>
        <translation>Available</translation>
    </message>
    <message>
        <source>Fuori</source>
        <translation>Away</translation>
    </message>
    <message>
        <source>Occupato</source>
        <translation>Busy</translation>
    </message>
    <message>
        <source>Non disponibile</source>
        <translation>Not available</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>Stato Interno non disponibile</source>
        <translation>Extension state not available</translation>
    </message>
    <message>
        <source>Interno libero</source>
        <translation>Extension free</translation>
    </message>
    <message>
        <source>Interno in conversazione</source>
        <translation>Extension in a call</translation>
    </message>
    <message>
        <source>Interno occupato</source>
        <translation>Extension busy</translation>
    </message>
    <message>
        <source>L&apos;interno sta squillando</source>
        <translation>The extension is ringing</translation>
    </message>
    <message>
        <source>Interno in attesa</source>
        <translation>Extension on hold</translation>
    </message>
</context>
<context>
    <name>WdgContactEntry</name>
    <message>
        <source>Interno</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>Casa</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>Lavoro</source>
        <translation>Work</translation>
    </message>
    <message>
        <source>Cellulare</source>
        <translation>Mobile</translation>
    </message>
    <message>
        <source>Cellulare di lavoro</source>
        <translation>Work mobile</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>Fax</translation>
    </message>
    <message>
        <source>E-Mail</source>
        <translation>E-mail</translation>
    </message>
    <message>
        <source>Principale</source>
        <translation>Main</translation>
    </message>
    <message>
        <source>Contatto</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>es. 123 o </source>
        <translation>e.g. 123 or </translation>
    </message>
    <message>
        <source>Altro (%1)</source>
        <translation>Other (%1)</translation>
    </message>
</context>
<context>
    <name>WindowRules</name>
    <message>
        <source> - Inoltro attivo</source>
        <translation> - Forwarding on</translation>
    </message>
    <message>
        <source> - DND attivo</source>
        <translation> - DND on</translation>
    </message>
    <message>
        <source> - In pausa</source>
        <translation> - Paused</translation>
    </message>
    <message>
        <source> - Parz. In pausa</source>
        <translation> - Part. paused</translation>
    </message>
    <message>
        <source>%1 - Phone non registrato</source>
        <translation>%1 - phone not registered</translation>
    </message>
    <message>
        <source>%1 - disconnesso</source>
        <translation>%1 - disconnected</translation>
    </message>
    <message>
        <source>%1 - Phone registrato</source>
        <translation>%1 - phone registered</translation>
    </message>
    <message>
        <source>%1 - connesso</source>
        <translation>%1 - connected</translation>
    </message>
</context>
<context>
    <name>dlgAuthentication</name>
    <message>
        <source>Authentication</source>
        <translation>Authentication</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Username</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
</context>
<context>
    <name>dlgPasswordPrompt</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Il file di configurazione non contiene password.&lt;br&gt;Inserire la password da utilizzare:</source>
        <translation>The configuration file holds no password.&lt;br&gt;Enter the password to use:</translation>
    </message>
</context>
<context>
    <name>dlgPeriod</name>
    <message>
        <source>Periodo</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>CONFIGURA PERIODO</source>
        <translation>SET PERIOD</translation>
    </message>
    <message>
        <source>Da:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>A:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Dati incongruenti</source>
        <translation>Inconsistent data</translation>
    </message>
    <message>
        <source>La data di partenza del periodo di osservazione deve essere inferiore a quella di fine del periodo.</source>
        <translation>The start date of the observation period must be earlier than its end date.</translation>
    </message>
</context>
<context>
    <name>dlgRedirect</name>
    <message>
        <source>Inserire il numero di redirezione</source>
        <translation>Enter the number to redirect to</translation>
    </message>
</context>
<context>
    <name>wdgAccountItem</name>
    <message>
        <source>Account:</source>
        <translation>Account:</translation>
    </message>
    <message>
        <source>Device configurato:</source>
        <translation>Configured device:</translation>
    </message>
    <message>
        <source>(nessuno)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>Utilizzato da:</source>
        <translation>Used by:</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>Notes:</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>(MAC: %1)</source>
        <translation>(MAC: %1)</translation>
    </message>
</context>
<context>
    <name>wdgActiveLine</name>
    <message>
        <source>Velora SoftPhone</source>
        <translation>Velora SoftPhone</translation>
    </message>
    <message>
        <source>Nome Cognome</source>
        <translation>Name Surname</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>account</source>
        <translation>account</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata in corso</source>
        <translation>Call in progress</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Queue: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administration</translation>
    </message>
    <message>
        <source>Trasferimento senza offerta</source>
        <translation>Blind transfer</translation>
    </message>
    <message>
        <source>Annulla trasferimento</source>
        <translation>Cancel transfer</translation>
    </message>
    <message>
        <source>Trasferimento con offerta</source>
        <translation>Attended transfer</translation>
    </message>
    <message>
        <source>Parcheggio di chiamata</source>
        <translation>Call park</translation>
    </message>
    <message>
        <source>Messa in pausa</source>
        <translation>Hold</translation>
    </message>
    <message>
        <source>Registrazione chiamata</source>
        <translation>Call recording</translation>
    </message>
    <message>
        <source>Termina chiamata</source>
        <translation>End call</translation>
    </message>
    <message>
        <source>Inoltra al cellulare</source>
        <translation>Forward to mobile</translation>
    </message>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Annulla trasferimento della chiamata</source>
        <translation>Cancel the call transfer</translation>
    </message>
    <message>
        <source>Avvio chiamata...</source>
        <translation>Starting call...</translation>
    </message>
    <message>
        <source>Trasferimento in corso</source>
        <translation>Transfer in progress</translation>
    </message>
    <message>
        <source>Trasferimento a %1 in corso</source>
        <translation>Transferring to %1</translation>
    </message>
    <message>
        <source>Chiamata terminata</source>
        <translation>Call ended</translation>
    </message>
    <message>
        <source>Completa trasferimento</source>
        <translation>Complete transfer</translation>
    </message>
    <message>
        <source>Converti in trasferimento senza offerta</source>
        <translation>Convert to blind transfer</translation>
    </message>
    <message>
        <source>Coda:</source>
        <translation>Queue:</translation>
    </message>
    <message>
        <source>Gruppo:</source>
        <translation>Group:</translation>
    </message>
    <message>
        <source>Ritorno da:</source>
        <translation>Returned from:</translation>
    </message>
    <message>
        <source> con </source>
        <translation> with </translation>
    </message>
    <message>
        <source>Trasferisci senza offerta</source>
        <translation>Blind transfer</translation>
    </message>
</context>
<context>
    <name>wdgAddDynamicOperator</name>
    <message>
        <source>Interno:</source>
        <translation>Extension:</translation>
    </message>
    <message>
        <source>Account:</source>
        <translation>Account:</translation>
    </message>
    <message>
        <source>Penalty:</source>
        <translation>Penalty:</translation>
    </message>
    <message>
        <source>Aggiungi</source>
        <translation>Add</translation>
    </message>
</context>
<context>
    <name>wdgBalloonMessage</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Aggiorna ora&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Update now&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Ignora&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Ignore&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>wdgBookedLine</name>
    <message>
        <source>Velora SoftPhone</source>
        <translation>Velora SoftPhone</translation>
    </message>
    <message>
        <source>Clicca qui per riprendere la chiamata</source>
        <translation>Click here to resume the call</translation>
    </message>
    <message>
        <source>Nome Cognome</source>
        <translation>Name Surname</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>account</source>
        <translation>account</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata prenotata</source>
        <translation>Booked call</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Queue: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administration</translation>
    </message>
    <message>
        <source>Annulla prenotazione</source>
        <translation>Cancel booking</translation>
    </message>
</context>
<context>
    <name>wdgCdr</name>
    <message>
        <source>Ricerca sul CDR</source>
        <translation>CDR search</translation>
    </message>
    <message>
        <source>Dalla data</source>
        <translation>From date</translation>
    </message>
    <message>
        <source> alla data</source>
        <translation> to date</translation>
    </message>
    <message>
        <source>Contatto</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>Non sono presenti chiamate nell&apos;intervallo temporale selezionato.</source>
        <translation>There are no calls in the selected period.</translation>
    </message>
</context>
<context>
    <name>wdgCdrFilter</name>
    <message>
        <source>Entranti</source>
        <translation>Incoming</translation>
    </message>
    <message>
        <source>Uscenti</source>
        <translation>Outgoing</translation>
    </message>
    <message>
        <source>Interna</source>
        <translation>Internal</translation>
    </message>
    <message>
        <source>Esterna</source>
        <translation>External</translation>
    </message>
    <message>
        <source>Servizio</source>
        <translation>Service</translation>
    </message>
    <message>
        <source>Diretta</source>
        <translation>Direct</translation>
    </message>
    <message>
        <source>Gruppo</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>Coda</source>
        <translation>Queue</translation>
    </message>
    <message>
        <source>Risposte</source>
        <translation>Answered</translation>
    </message>
    <message>
        <source>Non risposte</source>
        <translation>Not answered</translation>
    </message>
    <message>
        <source>Applica</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Filtro Registro</source>
        <translation>Call log filter</translation>
    </message>
    <message>
        <source>Direzione</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Origine (chiamate entranti)</source>
        <translation>Origin (incoming calls)</translation>
    </message>
    <message>
        <source>Destinazione (chiamate entranti)</source>
        <translation>Destination (incoming calls)</translation>
    </message>
    <message>
        <source>Stato</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Mostra Tutto</source>
        <translation>Show all</translation>
    </message>
    <message>
        <source>Nascondi Tutto</source>
        <translation>Hide all</translation>
    </message>
    <message>
        <source>Solo Perse</source>
        <translation>Missed only</translation>
    </message>
    <message>
        <source>Ripristina</source>
        <translation>Reset</translation>
    </message>
</context>
<context>
    <name>wdgChatMsg</name>
    <message>
        <source>(messaggio troncato: il testo completo si trova salvando la chat)</source>
        <translation>(message cut short: save the chat to read the whole text)</translation>
    </message>
</context>
<context>
    <name>wdgChat</name>
    <message>
        <source>Scrivi messaggio</source>
        <translation>Write a message</translation>
    </message>
    <message>
        <source>Chat: %1</source>
        <translation>Chat: %1</translation>
    </message>
    <message>
        <source>sta scrivendo...</source>
        <translation>is typing...</translation>
    </message>
    <message>
        <source>IO</source>
        <translation>ME</translation>
    </message>
    <message>
        <source>Invio Chat del </source>
        <translation>Chat sent on </translation>
    </message>
    <message>
        <source>Salva la chat su file</source>
        <translation>Save the chat to a file</translation>
    </message>
    <message>
        <source>File di testo (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>Impossibile salvare la chat in %1: %2</source>
        <translation>Cannot save the chat to %1: %2</translation>
    </message>
</context>
<context>
    <name>wdgChatPanel</name>
    <message>
        <source>Nessuna chat selezionata</source>
        <translation>No chat selected</translation>
    </message>
</context>
<context>
    <name>wdgIncomingCallLine</name>
    <message>
        <source>Velora SoftPhone</source>
        <translation>Velora SoftPhone</translation>
    </message>
    <message>
        <source>Nome Cognome</source>
        <translation>Name Surname</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>account</source>
        <translation>account</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata in arrivo</source>
        <translation>Incoming call</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Queue: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administration</translation>
    </message>
    <message>
        <source>Rispondi</source>
        <translation>Answer</translation>
    </message>
    <message>
        <source>Rifiuta</source>
        <translation>Reject</translation>
    </message>
    <message>
        <source>Inoltra chiamata</source>
        <translation>Forward call</translation>
    </message>
    <message>
        <source>Ignora</source>
        <translation>Ignore</translation>
    </message>
    <message>
        <source>Coda:</source>
        <translation>Queue:</translation>
    </message>
    <message>
        <source>Gruppo:</source>
        <translation>Group:</translation>
    </message>
    <message>
        <source>Ritorno da:</source>
        <translation>Returned from:</translation>
    </message>
    <message>
        <source> da </source>
        <translation> from </translation>
    </message>
</context>
<context>
    <name>wdgNewOperator</name>
    <message>
        <source>Aggiungi</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Aggiungi Operatore</source>
        <translation>Add agent</translation>
    </message>
</context>
<context>
    <name>wdgOnHoldLine</name>
    <message>
        <source>Velora SoftPhone</source>
        <translation>Velora SoftPhone</translation>
    </message>
    <message>
        <source>Clicca qui per riprendere la chiamata</source>
        <translation>Click here to resume the call</translation>
    </message>
    <message>
        <source>Nome Cognome</source>
        <translation>Name Surname</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>account</source>
        <translation>account</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata in attesa</source>
        <translation>Call on hold</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Queue: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administration</translation>
    </message>
    <message>
        <source>Riprendi chiamata</source>
        <translation>Resume call</translation>
    </message>
    <message>
        <source>Termina chiamata</source>
        <translation>End call</translation>
    </message>
    <message>
        <source>Inoltro al cellulare</source>
        <translation>Forward to mobile</translation>
    </message>
    <message>
        <source>SIP Account: %1</source>
        <translation>SIP account: %1</translation>
    </message>
    <message>
        <source> da </source>
        <translation> from </translation>
    </message>
</context>
<context>
    <name>wdgOperatorInfo</name>
    <message>
        <source>Pausa</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Chiamate servite</source>
        <translation>Calls served</translation>
    </message>
    <message>
        <source>Membership</source>
        <translation>Membership</translation>
    </message>
    <message>
        <source>Penalty</source>
        <translation>Penalty</translation>
    </message>
    <message>
        <source>Data dell&apos;ultimo cambio dello stato di pausa</source>
        <translation>Date of the last pause state change</translation>
    </message>
    <message>
        <source>Data dell&apos;ultima chiamata servita</source>
        <translation>Date of the last call served</translation>
    </message>
    <message>
        <source>Riattiva</source>
        <translation>Resume</translation>
    </message>
</context>
<context>
    <name>wdgProfileImage</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Messaggio personalizzato</source>
        <translation>Custom message</translation>
    </message>
</context>
<context>
    <name>wdgQueueAccount</name>
    <message>
        <source>Account:</source>
        <translation>Account:</translation>
    </message>
    <message>
        <source>stato:</source>
        <translation>status:</translation>
    </message>
    <message>
        <source>IN PAUSA</source>
        <translation>PAUSED</translation>
    </message>
    <message>
        <source>ATTIVO</source>
        <translation>ACTIVE</translation>
    </message>
    <message>
        <source>Riattiva</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>Pausa</source>
        <translation>Pause</translation>
    </message>
</context>
<context>
    <name>wdgQueueStats</name>
    <message>
        <source>Statistiche generali della coda</source>
        <translation>General queue statistics</translation>
    </message>
    <message>
        <source>Chiamate in coda</source>
        <translation>Queued calls</translation>
    </message>
    <message>
        <source>Chiamate perse:</source>
        <translation>Lost calls:</translation>
    </message>
    <message>
        <source>Numero di utenti in coda</source>
        <translation>Number of callers in queue</translation>
    </message>
    <message>
        <source>T. m. di convers. (sec):</source>
        <translation>Avg. talk time (s):</translation>
    </message>
    <message>
        <source>T. m. di attesa (sec):</source>
        <translation>Avg. wait time (s):</translation>
    </message>
    <message>
        <source>Chiamate lavorate:</source>
        <translation>Calls handled:</translation>
    </message>
    <message>
        <source>Statistiche personali</source>
        <translation>Personal statistics</translation>
    </message>
    <message>
        <source>Stato sulla coda: -</source>
        <translation>Queue status: -</translation>
    </message>
    <message>
        <source>Chiamate prese</source>
        <translation>Calls taken</translation>
    </message>
    <message>
        <source>Pausa</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Ultima chiamata:</source>
        <translation>Last call:</translation>
    </message>
    <message>
        <source>Stato pausa per account</source>
        <translation>Pause state per account</translation>
    </message>
    <message>
        <source>Ultima chiamata servita in data: %1</source>
        <translation>Last call served on: %1</translation>
    </message>
    <message>
        <source>Stato sulla coda: IN PAUSA</source>
        <translation>Queue status: PAUSED</translation>
    </message>
    <message>
        <source>Riattiva</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>Stato sulla coda: ATTIVO</source>
        <translation>Queue status: ACTIVE</translation>
    </message>
</context>
<context>
    <name>wdgQueues</name>
    <message>
        <source>Code d&apos;attesa</source>
        <translation>Call queues</translation>
    </message>
</context>
<context>
    <name>wdgSms</name>
    <message>
        <source>Inserire il destinatario del messaggio.</source>
        <translation>Enter the message recipient.</translation>
    </message>
    <message>
        <source>Il destinatario &quot;%1&quot; non è un numero valido.</source>
        <translation>The recipient &quot;%1&quot; is not a valid number.</translation>
    </message>
    <message>
        <source>Il testo del messaggio è vuoto.</source>
        <translation>The message text is empty.</translation>
    </message>
    <message>
        <source>Il messaggio supera i %1 caratteri consentiti.</source>
        <translation>The message exceeds the %1 characters allowed.</translation>
    </message>
    <message>
        <source>Invio SMS</source>
        <translation>Send SMS</translation>
    </message>
    <message>
        <source>Destinatario: </source>
        <translation>Recipient: </translation>
    </message>
    <message>
        <source>Testo del messaggio</source>
        <translation>Message text</translation>
    </message>
    <message>
        <source>160 caratteri residui</source>
        <translation>160 characters left</translation>
    </message>
    <message>
        <source>Invia</source>
        <translation>Send</translation>
    </message>
    <message>
        <source> caratteri disponibili</source>
        <translation> characters available</translation>
    </message>
    <message>
        <source>Invio del messaggio non riuscito.
%1</source>
        <translation>The message could not be sent.
%1</translation>
    </message>
</context>
<context>
    <name>wdgVeloraPhone</name>
    <message>
        <source>Deskline</source>
        <translation>Deskline</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;br/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;br/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>*</source>
        <translation>*</translation>
    </message>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>Numero da chiamare</source>
        <translation>Number to call</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Avvia chiamata&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Start call&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Avvia chiamata</source>
        <translation>Start call</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>SMS</translation>
    </message>
    <message>
        <source>Mute/Unmute Input Audio</source>
        <translation>Mute/Unmute Input Audio</translation>
    </message>
    <message>
        <source>Mute/Unmute Output Audio</source>
        <translation>Mute/Unmute Output Audio</translation>
    </message>
    <message>
        <source>Ch. in coda</source>
        <translation>Queued calls</translation>
    </message>
    <message>
        <source>Stato connessione MCTI</source>
        <translation>MCTI connection state</translation>
    </message>
    <message>
        <source>Stato: NON CONNESSO</source>
        <translation>Status: NOT CONNECTED</translation>
    </message>
    <message>
        <source>Qualità della chiamata</source>
        <translation>Call quality</translation>
    </message>
    <message>
        <source>Preferiti</source>
        <translation>Favourites</translation>
    </message>
    <message>
        <source>Interni</source>
        <translation>Extensions</translation>
    </message>
    <message>
        <source>Cerca interno</source>
        <translation>Search extension</translation>
    </message>
    <message>
        <source>Rubrica</source>
        <translation>Address book</translation>
    </message>
    <message>
        <source>Cerca contatto in rubrica</source>
        <translation>Search the address book</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Aggiungi contatto&lt;br/&gt;in rubrica&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Add contact&lt;br/&gt;to the address book&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Aggiungi contatto</source>
        <translation>Add contact</translation>
    </message>
    <message>
        <source>Attendere prego - Importazione contatti in corso...</source>
        <translation>Please wait - importing contacts...</translation>
    </message>
    <message>
        <source>Recenti</source>
        <translation>Recent</translation>
    </message>
    <message>
        <source>Filtro - dalla data</source>
        <translation>Filter - from date</translation>
    </message>
    <message>
        <source>Non sono presenti chiamate nell&apos;intervallo temporale selezionato.</source>
        <translation>There are no calls in the selected period.</translation>
    </message>
    <message>
        <source>A</source>
        <translation>To</translation>
    </message>
    <message>
        <source>Filtro - alla data</source>
        <translation>Filter - to date</translation>
    </message>
    <message>
        <source>Filtro Registro</source>
        <translation>Call log filter</translation>
    </message>
    <message>
        <source>Cerca contatto</source>
        <translation>Search contact</translation>
    </message>
    <message>
        <source>Cerca nel registro chiamate</source>
        <translation>Search the call log</translation>
    </message>
    <message>
        <source>Da</source>
        <translation>From</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Queues</translation>
    </message>
    <message>
        <source>A:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>Da:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source> Periodo di raccolta delle statistiche:</source>
        <translation> Statistics period:</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Voicemail</source>
        <translation>Voicemail</translation>
    </message>
    <message>
        <source>Nessun messaggio in casella vocale</source>
        <translation>No messages in the voice mailbox</translation>
    </message>
    <message>
        <source>Opzioni</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Visualizza</source>
        <translation>View</translation>
    </message>
    <message>
        <source>Trasparenza</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>Modalità estesa</source>
        <translation>Extended mode</translation>
    </message>
    <message>
        <source>Modalità ridotta</source>
        <translation>Compact mode</translation>
    </message>
    <message>
        <source>Sempre in primo piano</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>0% (opaco)</source>
        <translation>0% (opaque)</translation>
    </message>
    <message>
        <source>20%</source>
        <translation>20%</translation>
    </message>
    <message>
        <source>40%</source>
        <translation>40%</translation>
    </message>
    <message>
        <source>60%</source>
        <translation>60%</translation>
    </message>
    <message>
        <source>80% (appena visibile)</source>
        <translation>80% (barely visible)</translation>
    </message>
    <message>
        <source>Mostra tastierino numerico</source>
        <translation>Show keypad</translation>
    </message>
    <message>
        <source>Ctrl+K</source>
        <translation>Ctrl+K</translation>
    </message>
    <message>
        <source>Mostra pulsanti funzione</source>
        <translation>Show function buttons</translation>
    </message>
    <message>
        <source>Mostra numero chiamate in coda</source>
        <translation>Show number of queued calls</translation>
    </message>
    <message>
        <source>Mostra volumi</source>
        <translation>Show volumes</translation>
    </message>
</context>
<context>
    <name>wdgVoicemailLine</name>
    <message>
        <source>Mittente</source>
        <translation>Sender</translation>
    </message>
    <message>
        <source>Elimina</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Riproduci</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Scaricamento</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Errore!</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>Impossibile scaricare il messaggio vocale</source>
        <translation>Cannot download the voice message</translation>
    </message>
</context>
</TS>
