<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="it_IT">
<context>
    <name>CallControl</name>
    <message>
        <source>Digita il numero 
a cui trasferire</source>
        <translation>Escriba el número 
al que transferir</translation>
    </message>
    <message>
        <source>Digita il numero a cui trasferire</source>
        <translation>Escriba el número al que transferir</translation>
    </message>
    <message>
        <source>Interno occupato</source>
        <translation>Extensión ocupada</translation>
    </message>
    <message>
        <source>L&apos;interno %1 a cui si vuole inoltrare la chiamata è occupato.
Si desidera comunque procedere all&apos;inoltro?</source>
        <translation>La extensión %1 a la que desea desviar la llamada está ocupada.
¿Desea desviarla de todos modos?</translation>
    </message>
    <message>
        <source>Si</source>
        <translation>Sí</translation>
    </message>
    <message>
        <source>Inserire il numero a cui trasferire la chiamata:</source>
        <translation>Introduzca el número al que transferir la llamada:</translation>
    </message>
    <message>
        <source>Trasferimento cieco di chiamata</source>
        <translation>Transferencia ciega de llamada</translation>
    </message>
    <message>
        <source>Trasferimento chiamata con offerta</source>
        <translation>Transferencia de llamada con consulta</translation>
    </message>
    <message>
        <source>Inoltro di chiamata</source>
        <translation>Desvío de llamada</translation>
    </message>
    <message>
        <source>Numero a cui vuoi trasferire la chiamata:</source>
        <translation>Número al que desea transferir la llamada:</translation>
    </message>
    <message>
        <source>Chiamata</source>
        <translation>Llamada</translation>
    </message>
</context>
<context>
    <name>CallEvents</name>
    <message>
        <source>Attualmente si sta avviando un&apos;altra conversazione.
Si desidera chiudere la chiamata in corso e avviarne una nuova?</source>
        <translation>Se está iniciando otra conversación en este momento.
¿Desea cerrar la llamada en curso e iniciar una nueva?</translation>
    </message>
    <message>
        <source>Attualmente si è impegnati in un&apos;altra conversazione.
Si desidera mettere in attesa la chiamata in corso e avviarne una nuova?</source>
        <translation>Ya está en otra conversación.
¿Desea poner en espera la llamada en curso e iniciar una nueva?</translation>
    </message>
    <message>
        <source>Nuova chiamata</source>
        <translation>Nueva llamada</translation>
    </message>
    <message>
        <source>La chiamata in corso con %1 è stata parcheggiata sulla stanza di parcheggio %2 con un timeout di %3 secondi.</source>
        <translation>La llamada en curso con %1 se ha aparcado en la posición de aparcamiento %2 con un tiempo de espera de %3 segundos.</translation>
    </message>
    <message>
        <source>Errore critico</source>
        <translation>Error crítico</translation>
    </message>
    <message>
        <source>Il motore SIP ha restituito il seguente errore: %1</source>
        <translation>El motor SIP ha devuelto el siguiente error: %1</translation>
    </message>
</context>
<context>
    <name>CallLines</name>
    <message numerus="yes">
        <source>Altre %n chiamate in arrivo</source>
        <translation>
            <numerusform>%n llamada entrante más</numerusform>
            <numerusform>%n llamadas entrantes más</numerusform>
        </translation>
    </message>
    <message>
        <source>Coda:</source>
        <translation>Cola:</translation>
    </message>
    <message>
        <source>Gruppo:</source>
        <translation>Grupo:</translation>
    </message>
    <message>
        <source>Ritorno da:</source>
        <translation>Retorno de:</translation>
    </message>
    <message>
        <source>Chiamata in arrivo da:
%1</source>
        <translation>Llamada entrante de:
%1</translation>
    </message>
    <message>
        <source>Click-to-Call verso:
%1</source>
        <translation>Click-to-Call a:
%1</translation>
    </message>
    <message>
        <source>Digita il numero a cui trasferire</source>
        <translation>Escriba el número al que transferir</translation>
    </message>
</context>
<context>
    <name>ChatController</name>
    <message>
        <source>Nuovo messaggio da </source>
        <translation>Nuevo mensaje de </translation>
    </message>
</context>
<context>
    <name>CheckUpdateDlg</name>
    <message>
        <source>Annulla</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Recupero lista aggiornamenti...</source>
        <translation>Obteniendo la lista de actualizaciones...</translation>
    </message>
    <message>
        <source>Scaricamento componenti aggiuntivi...</source>
        <translation>Descargando componentes adicionales...</translation>
    </message>
    <message>
        <source>Aggiornamento componenti in corso...</source>
        <translation>Actualizando componentes...</translation>
    </message>
</context>
<context>
    <name>DirectoryActions</name>
    <message>
        <source>L&apos;utente %1 si è liberato.
Clicca sul pulsante per chiamarlo.</source>
        <translation>El usuario %1 ya está libre.
Haga clic en el botón para llamarlo.</translation>
    </message>
    <message>
        <source>Connessione al centralino interrotta.</source>
        <translation>Se ha interrumpido la conexión con la centralita.</translation>
    </message>
    <message>
        <source>Aggiungi nuovo contatto</source>
        <translation>Añadir nuevo contacto</translation>
    </message>
    <message>
        <source>Aggiorna contatto</source>
        <translation>Actualizar contacto</translation>
    </message>
    <message>
        <source>Cancellazione contatto</source>
        <translation>Eliminación de contacto</translation>
    </message>
    <message>
        <source>Sei sicuro di cancellare il contatto %1?</source>
        <translation>¿Seguro que desea eliminar el contacto %1?</translation>
    </message>
    <message>
        <source>Si</source>
        <translation>Sí</translation>
    </message>
    <message>
        <source>L&apos;indirizzo e-mail &quot;%1&quot; non è valido.</source>
        <translation>La dirección de correo electrónico &quot;%1&quot; no es válida.</translation>
    </message>
    <message>
        <source> - Invio SMS</source>
        <translation> - Envío de SMS</translation>
    </message>
    <message>
        <source>Servizio SMS non disponibile.</source>
        <translation>Servicio SMS no disponible.</translation>
    </message>
</context>
<context>
    <name>DirectoryMenus</name>
    <message>
        <source>Invia &amp;email: %1</source>
        <translation>Enviar &amp;correo: %1</translation>
    </message>
    <message>
        <source>&amp;Chiama: %1</source>
        <translation>&amp;Llamar: %1</translation>
    </message>
    <message>
        <source>Invia &amp;SMS: %1</source>
        <translation>Enviar &amp;SMS: %1</translation>
    </message>
    <message>
        <source>&amp;Inoltra a: %1</source>
        <translation>&amp;Desviar a: %1</translation>
    </message>
    <message>
        <source>&amp;Trasferisci con offerta: %1</source>
        <translation>&amp;Transferir con consulta: %1</translation>
    </message>
    <message>
        <source>Copia &amp;numero: %1</source>
        <translation>Copiar &amp;número: %1</translation>
    </message>
    <message>
        <source>&amp;Aggiungi alla rubrica: %1</source>
        <translation>&amp;Añadir a la agenda: %1</translation>
    </message>
    <message>
        <source>&amp;Modifica il contatto: %1</source>
        <translation>&amp;Modificar el contacto: %1</translation>
    </message>
    <message>
        <source>&amp;Elimina il contatto: %1</source>
        <translation>&amp;Eliminar el contacto: %1</translation>
    </message>
    <message>
        <source>C&amp;hat: %1</source>
        <translation>C&amp;hat: %1</translation>
    </message>
    <message>
        <source>&amp;Preleva: %1</source>
        <translation>&amp;Capturar: %1</translation>
    </message>
    <message>
        <source>&amp;Annulla prenotazione chiamata</source>
        <translation>&amp;Cancelar reserva de llamada</translation>
    </message>
    <message>
        <source>&amp;Prenota chiamata</source>
        <translation>&amp;Reservar llamada</translation>
    </message>
</context>
<context>
    <name>DirectoryPanel</name>
    <message>
        <source>Invia SMS</source>
        <translation>Enviar SMS</translation>
    </message>
    <message>
        <source>Servizio Invia SMS non disponibile</source>
        <translation>Servicio de envío de SMS no disponible</translation>
    </message>
    <message>
        <source>Aggiungi contatto</source>
        <translation>Añadir contacto</translation>
    </message>
    <message>
        <source>Aggiunta contatto non supportata dalla versione di %1 a cui si è attualmente connessi.</source>
        <translation>La versión de %1 a la que está conectado no permite añadir contactos.</translation>
    </message>
    <message>
        <source>Importazione contatti in corso...</source>
        <translation>Importando contactos...</translation>
    </message>
    <message>
        <source>IO</source>
        <translation>YO</translation>
    </message>
    <message>
        <source>Filtro Registro Chiamate</source>
        <translation>Filtro del registro de llamadas</translation>
    </message>
</context>
<context>
    <name>DlgContactEdit</name>
    <message>
        <source>Aggiungi nuovo contatto</source>
        <translation>Añadir nuevo contacto</translation>
    </message>
    <message>
        <source>Nome (*)</source>
        <translation>Nombre (*)</translation>
    </message>
    <message>
        <source>Cognome (*)</source>
        <translation>Apellidos (*)</translation>
    </message>
    <message>
        <source>Ente</source>
        <translation>Organización</translation>
    </message>
    <message>
        <source>Reparto</source>
        <translation>Departamento</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>Dati mancanti</source>
        <translation>Faltan datos</translation>
    </message>
    <message>
        <source>Per salvare il contatto è necessario riempire i campi obbligatori.</source>
        <translation>Para guardar el contacto, rellene los campos obligatorios.</translation>
    </message>
    <message>
        <source>Errore di inserimento</source>
        <translation>Error de introducción de datos</translation>
    </message>
    <message>
        <source>Il valore di contatto inserito non è valido.
Prego correggere il valore.</source>
        <translation>El valor de contacto introducido no es válido.
Corrija el valor.</translation>
    </message>
</context>
<context>
    <name>DlgReportThreshold</name>
    <message>
        <source>Creazione report</source>
        <translation>Creación de informe</translation>
    </message>
    <message>
        <source>Periodo del report</source>
        <translation>Periodo del informe</translation>
    </message>
    <message>
        <source>Soglie di monitoraggio (in secondi)</source>
        <translation>Umbrales de supervisión (en segundos)</translation>
    </message>
    <message>
        <source>Sulle risposte</source>
        <translation>En las respuestas</translation>
    </message>
    <message>
        <source>Sugli abbandoni</source>
        <translation>En los abandonos</translation>
    </message>
    <message>
        <source>I soglia</source>
        <translation>Umbral I</translation>
    </message>
    <message>
        <source>II soglia</source>
        <translation>Umbral II</translation>
    </message>
    <message>
        <source>III soglia</source>
        <translation>Umbral III</translation>
    </message>
    <message>
        <source>IV soglia</source>
        <translation>Umbral IV</translation>
    </message>
    <message>
        <source>V soglia</source>
        <translation>Umbral V</translation>
    </message>
    <message>
        <source>Scegli dove salvare il report</source>
        <translation>Elija dónde guardar el informe</translation>
    </message>
</context>
<context>
    <name>MPEngine</name>
    <message>
        <source>Il motore SIP ha restituito il seguente errore: %1</source>
        <translation>El motor SIP ha devuelto el siguiente error: %1</translation>
    </message>
    <message>
        <source>Non è stato trovato un device audio per il microfono valido.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>No se ha encontrado un dispositivo de audio válido para el micrófono.
Póngase en contacto con el administrador del sistema para solucionar el problema.</translation>
    </message>
    <message>
        <source>Il device audio per il microfono indicato nelle impostazioni non ha risposto correttamente.
Verrà utilizzato il microfono di default del sistema operativo.</source>
        <translation>El dispositivo de audio para el micrófono indicado en la configuración no ha respondido correctamente.
Se utilizará el micrófono predeterminado del sistema operativo.</translation>
    </message>
    <message>
        <source>Non è stato trovato un device audio di ascolto valido.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>No se ha encontrado un dispositivo de audio de escucha válido.
Póngase en contacto con el administrador del sistema para solucionar el problema.</translation>
    </message>
    <message>
        <source>Il device audio per l&apos;ascolto indicato nelle impostazioni non ha risposto correttamente.
Verrà utilizzato il device audio di default del sistema operativo.</source>
        <translation>El dispositivo de audio de escucha indicado en la configuración no ha respondido correctamente.
Se utilizará el dispositivo de audio predeterminado del sistema operativo.</translation>
    </message>
    <message>
        <source>Non è stato trovato un device audio per la suoneria valido.
Non sarà possibile sentire la suoneria.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>No se ha encontrado un dispositivo de audio válido para el timbre.
No se podrá oír el timbre.
Póngase en contacto con el administrador del sistema para solucionar el problema.</translation>
    </message>
    <message>
        <source>Il device audio per la suoneria indicato nelle impostazioni non ha risposto correttamente.
Verrà utilizzato il device audio di default del sistema operativo.</source>
        <translation>El dispositivo de audio para el timbre indicado en la configuración no ha respondido correctamente.
Se utilizará el dispositivo de audio predeterminado del sistema operativo.</translation>
    </message>
    <message>
        <source>Non ci sono più linee VoIP disponibili.</source>
        <translation>No quedan líneas VoIP disponibles.</translation>
    </message>
    <message>
        <source>Errore di comunicazione con il microfono.
La chiamata verrà interrotta.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>Error de comunicación con el micrófono.
La llamada se interrumpirá.
Póngase en contacto con el administrador del sistema para solucionar el problema.</translation>
    </message>
    <message>
        <source>Errore di comunicazione con la scheda audio. E&apos; impossibile riprodurre i suoni.
La chiamata verrà interrotta.
Contattare l&apos;amministratore di sistema per correggere il problema.</source>
        <translation>Error de comunicación con la tarjeta de sonido. No se pueden reproducir sonidos.
La llamada se interrumpirá.
Póngase en contacto con el administrador del sistema para solucionar el problema.</translation>
    </message>
</context>
<context>
    <name>MPGui</name>
    <message>
        <source> - Chiusura applicazione</source>
        <translation> - Cierre de la aplicación</translation>
    </message>
    <message>
        <source>Sei sicuro di voler chiudere l&apos;applicazione&lt;br&gt;</source>
        <translation>¿Seguro que desea cerrar la aplicación&lt;br&gt;</translation>
    </message>
    <message>
        <source>?&lt;br&gt;Tutte chiamate in corso verranno interrotte.</source>
        <translation>?&lt;br&gt;Todas las llamadas en curso se interrumpirán.</translation>
    </message>
    <message>
        <source>&amp;Connetti a %1</source>
        <translation>&amp;Conectar a %1</translation>
    </message>
    <message>
        <source>&amp;Disconnetti da %1</source>
        <translation>&amp;Desconectar de %1</translation>
    </message>
    <message>
        <source>Mi&amp;nimizza</source>
        <translation>Mi&amp;nimizar</translation>
    </message>
    <message>
        <source>&amp;Ripristina</source>
        <translation>&amp;Restaurar</translation>
    </message>
    <message>
        <source>Impostazioni</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>Crea &amp;Report</source>
        <translation>Crear &amp;informe</translation>
    </message>
    <message>
        <source>&amp;Pausa su tutte le code</source>
        <translation>&amp;Pausa en todas las colas</translation>
    </message>
    <message>
        <source>Invia &amp;log al supporto tecnico</source>
        <translation>Enviar el &amp;registro al soporte técnico</translation>
    </message>
    <message>
        <source>Telefono fisso</source>
        <translation>Teléfono de escritorio</translation>
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
        <translation>Usuario: NO CONECTADO</translation>
    </message>
    <message>
        <source>&amp;Connetti a MCTI</source>
        <translation>&amp;Conectar a MCTI</translation>
    </message>
    <message>
        <source>&amp;Disconnetti da MCTI</source>
        <translation>&amp;Desconectar de MCTI</translation>
    </message>
    <message>
        <source>&amp;Impostazioni</source>
        <translation>&amp;Configuración</translation>
    </message>
    <message>
        <source>&amp;Pausa sulla coda</source>
        <translation>&amp;Pausa en la cola</translation>
    </message>
    <message>
        <source>%1 - connessione in corso...</source>
        <translation>%1 - conectando...</translation>
    </message>
    <message>
        <source>Versione PBX non compatibile</source>
        <translation>Versión de PBX no compatible</translation>
    </message>
    <message>
        <source>Questa versione di %1 richiede che su %2 sia presente una versione firmware uguale o superiore alla %3.%4.%5.
Il programma verrà chiuso.</source>
        <translation>Esta versión de %1 necesita en %2 una versión de firmware igual o superior a la %3.%4.%5.
El programa se cerrará.</translation>
    </message>
    <message>
        <source>Utente: CONNESSO</source>
        <translation>Usuario: CONECTADO</translation>
    </message>
    <message>
        <source>Importazione contatti in corso...</source>
        <translation>Importando contactos...</translation>
    </message>
    <message>
        <source>%1 - Phone non registrato</source>
        <translation>%1 - teléfono no registrado</translation>
    </message>
    <message>
        <source>%1 - connesso</source>
        <translation>%1 - conectado</translation>
    </message>
    <message>
        <source>Connesso a %1 in modalità %2</source>
        <translation>Conectado a %1 en modo %2</translation>
    </message>
    <message>
        <source>%1 - disconnessione in corso...</source>
        <translation>%1 - desconectando...</translation>
    </message>
    <message>
        <source>%1 - disconnesso</source>
        <translation>%1 - desconectado</translation>
    </message>
    <message>
        <source>Errore autenticazione</source>
        <translation>Error de autenticación</translation>
    </message>
    <message>
        <source>Username o password errati, modificarli per connettersi</source>
        <translation>Usuario o contraseña incorrectos; modifíquelos para conectarse</translation>
    </message>
    <message>
        <source>Impossibile connettersi a %1. 
Motivo: %2</source>
        <translation>No se puede conectar a %1. 
Motivo: %2</translation>
    </message>
    <message>
        <source>La connessione con %1 è stata chiusa. 
Motivo: %2</source>
        <translation>Se ha cerrado la conexión con %1. 
Motivo: %2</translation>
    </message>
    <message>
        <source>La versione dell&apos;applicazione utilizzata non è supportata dal server. 
Per proseguire è necessario aggiornare l&apos;applicazione!</source>
        <translation>El servidor no admite esta versión de la aplicación. 
¡Actualice la aplicación para continuar!</translation>
    </message>
    <message>
        <source>Username o password errati</source>
        <translation>Usuario o contraseña incorrectos</translation>
    </message>
    <message>
        <source>Nome del server sconosciuto.
Controllare le impostazioni di rete</source>
        <translation>Nombre de servidor desconocido.
Compruebe la configuración de red</translation>
    </message>
    <message>
        <source>Indirizzo di rete non permesso</source>
        <translation>Dirección de red no permitida</translation>
    </message>
    <message>
        <source>Si</source>
        <translation>Sí</translation>
    </message>
    <message>
        <source>SCONOSCIUTO</source>
        <translation>DESCONOCIDO</translation>
    </message>
    <message>
        <source>Nuove chiamate perse</source>
        <translation>Nuevas llamadas perdidas</translation>
    </message>
    <message>
        <source>T</source>
        <translation>T</translation>
    </message>
    <message>
        <source>Direzione della chiamata</source>
        <translation>Dirección de la llamada</translation>
    </message>
    <message>
        <source>Nome</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Contatto</source>
        <translation>Contacto</translation>
    </message>
    <message>
        <source>Numero</source>
        <translation>Número</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Fecha</translation>
    </message>
    <message>
        <source>Durata</source>
        <translation>Duración</translation>
    </message>
    <message>
        <source>Chiamata in ingresso non risposta</source>
        <translation>Llamada entrante no contestada</translation>
    </message>
    <message>
        <source>Chiamata in ingresso risposta</source>
        <translation>Llamada entrante contestada</translation>
    </message>
    <message>
        <source>Chiamata in uscita non risposta</source>
        <translation>Llamada saliente no contestada</translation>
    </message>
    <message>
        <source>Chiamata in uscita risposta</source>
        <translation>Llamada saliente contestada</translation>
    </message>
    <message>
        <source>Chiamata locale in ingresso non risposta</source>
        <translation>Llamada interna entrante no contestada</translation>
    </message>
    <message>
        <source>Chiamata locale in ingresso risposta</source>
        <translation>Llamada interna entrante contestada</translation>
    </message>
    <message>
        <source>Chiamata locale in uscita non risposta</source>
        <translation>Llamada interna saliente no contestada</translation>
    </message>
    <message>
        <source>Chiamata locale in uscita risposta</source>
        <translation>Llamada interna saliente contestada</translation>
    </message>
    <message>
        <source>Deviato in segreteria telefonica</source>
        <translation>Desviada al buzón de voz</translation>
    </message>
    <message>
        <source>Cognome</source>
        <translation>Apellidos</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Empresa</translation>
    </message>
    <message>
        <source>Reparto</source>
        <translation>Departamento</translation>
    </message>
    <message>
        <source>C</source>
        <translation>C</translation>
    </message>
    <message>
        <source>Stato CTI</source>
        <translation>Estado CTI</translation>
    </message>
    <message>
        <source>Stato telefono</source>
        <translation>Estado del teléfono</translation>
    </message>
    <message>
        <source>Num</source>
        <translation>Núm.</translation>
    </message>
    <message>
        <source>Pref.</source>
        <translation>Fav.</translation>
    </message>
    <message>
        <source>Preferito</source>
        <translation>Favorito</translation>
    </message>
    <message>
        <source>SMS correttamente inviato</source>
        <translation>SMS enviado correctamente</translation>
    </message>
    <message>
        <source>Telefono registrato</source>
        <translation>Teléfono registrado</translation>
    </message>
    <message>
        <source>Avvia chiamata</source>
        <translation>Iniciar llamada</translation>
    </message>
    <message>
        <source>Telefono non registrato</source>
        <translation>Teléfono no registrado</translation>
    </message>
    <message>
        <source>Avvia chiamata - telefono non registrato</source>
        <translation>Iniciar llamada - teléfono no registrado</translation>
    </message>
    <message>
        <source>La negoziazione TLS è fallita.
Controllare la presenza di un certificato valido.</source>
        <translation>La negociación TLS ha fallado.
Compruebe que hay un certificado válido.</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>%1 disconnessa</source>
        <translation>%1 desconectada</translation>
    </message>
    <message>
        <source>%1 - Selezione account</source>
        <translation>%1 - Selección de cuenta</translation>
    </message>
    <message>
        <source>Per proseguire è necessario selezionare l&apos;account da utilizzare.</source>
        <translation>Para continuar, seleccione la cuenta que desea usar.</translation>
    </message>
    <message>
        <source>Interno %1</source>
        <translation>Extensión %1</translation>
    </message>
    <message>
        <source>Aggiornamento fallito</source>
        <translation>Error de actualización</translation>
    </message>
    <message>
        <source>Si è verificato un errore durante l&apos;aggiornamento di %1.
Contattare l&apos;amministratore di sistema.
Errore: %2</source>
        <translation>Se ha producido un error al actualizar %1.
Póngase en contacto con el administrador del sistema.
Error: %2</translation>
    </message>
    <message>
        <source>Nuova versione disponibile: %1
Aggiornare ora?</source>
        <translation>Nueva versión disponible: %1
¿Actualizar ahora?</translation>
    </message>
</context>
<context>
    <name>MSettingsDialog</name>
    <message>
        <source>Impostazioni</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>Impostazioni CTI</source>
        <translation>Configuración CTI</translation>
    </message>
    <message>
        <source>Modalità applicativa</source>
        <translation>Modo de funcionamiento</translation>
    </message>
    <message>
        <source>Selezionare la modalità di utilizzo</source>
        <translation>Seleccione el modo de uso</translation>
    </message>
    <message>
        <source>Solo CTI</source>
        <translation>Solo CTI</translation>
    </message>
    <message>
        <source>Telefono fisso</source>
        <translation>Teléfono de escritorio</translation>
    </message>
    <message>
        <source>Softphone integrato</source>
        <translation>Softphone integrado</translation>
    </message>
    <message>
        <source>Seleziona lingua</source>
        <translation>Seleccione el idioma</translation>
    </message>
    <message>
        <source>Italiano</source>
        <translation>Italiano</translation>
    </message>
    <message>
        <source>Inglese</source>
        <translation>Inglés</translation>
    </message>
    <message>
        <source>Spagnolo</source>
        <translation>Español</translation>
    </message>
    <message>
        <source>Indirizzo PBX</source>
        <translation>Dirección de la PBX</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Usuario</translation>
    </message>
    <message>
        <source>username@domain</source>
        <translation>usuario@dominio</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Contraseña</translation>
    </message>
    <message>
        <source>Mostra caratteri</source>
        <translation>Mostrar caracteres</translation>
    </message>
    <message>
        <source>Servizi</source>
        <translation>Servicios</translation>
    </message>
    <message>
        <source>Servizio Copy-to-call (solo per chiamare utenze esterne)</source>
        <translation>Servicio Copy-to-call (solo para llamar a números externos)</translation>
    </message>
    <message>
        <source>Importa i contatti di Microsoft Outlook</source>
        <translation>Importar los contactos de Microsoft Outlook</translation>
    </message>
    <message>
        <source>Avvia minimizzato come icona di sistema</source>
        <translation>Iniciar minimizado en la bandeja del sistema</translation>
    </message>
    <message>
        <source>Abilita popup di ricezione chiamata</source>
        <translation>Mostrar una ventana emergente al recibir llamadas</translation>
    </message>
    <message>
        <source>Metti in pausa su tutte le code al logout</source>
        <translation>Pausar en todas las colas al cerrar sesión</translation>
    </message>
    <message>
        <source>Metti in pausa su tutte le code alla risposta di una chiamata di coda</source>
        <translation>Pausar en todas las colas al contestar una llamada de cola</translation>
    </message>
    <message>
        <source>Tasti di scelta rapida</source>
        <translation>Teclas de acceso rápido</translation>
    </message>
    <message>
        <source>Chiamata rapida</source>
        <translation>Llamada rápida</translation>
    </message>
    <message>
        <source>Lista account</source>
        <translation>Lista de cuentas</translation>
    </message>
    <message>
        <source>Seleziona l&apos;account da utilizzare:</source>
        <translation>Seleccione la cuenta que desea usar:</translation>
    </message>
    <message>
        <source>Azioni automatiche</source>
        <translation>Acciones automáticas</translation>
    </message>
    <message>
        <source>Comportamento sulle chiamate in ingresso</source>
        <translation>Comportamiento con las llamadas entrantes</translation>
    </message>
    <message>
        <source>Aggiungi azione</source>
        <translation>Añadir acción</translation>
    </message>
    <message>
        <source>Modifica azione</source>
        <translation>Modificar acción</translation>
    </message>
    <message>
        <source>Elimina azione</source>
        <translation>Eliminar acción</translation>
    </message>
    <message>
        <source>Applica le azioni anche agli interni</source>
        <translation>Aplicar las acciones también a las extensiones</translation>
    </message>
    <message>
        <source>Applica le azioni anche alle chiamate c2c</source>
        <translation>Aplicar las acciones también a las llamadas click-to-call</translation>
    </message>
    <message>
        <source>Applica le azioni anche alle chiamate uscenti</source>
        <translation>Aplicar las acciones también a las llamadas salientes</translation>
    </message>
    <message>
        <source>Impostazioni azione</source>
        <translation>Configuración de la acción</translation>
    </message>
    <message>
        <source>Evento</source>
        <translation>Evento</translation>
    </message>
    <message>
        <source>Ricezione di una chiamata</source>
        <translation>Recepción de una llamada</translation>
    </message>
    <message>
        <source>Risposta ad una chiamata</source>
        <translation>Respuesta a una llamada</translation>
    </message>
    <message>
        <source>Chiusura di una chiamata</source>
        <translation>Fin de una llamada</translation>
    </message>
    <message>
        <source>Tipologia di azione</source>
        <translation>Tipo de acción</translation>
    </message>
    <message>
        <source>Apri un url dinamico</source>
        <translation>Abrir una URL dinámica</translation>
    </message>
    <message>
        <source>Esegui un processo esterno</source>
        <translation>Ejecutar un programa externo</translation>
    </message>
    <message>
        <source>Azione</source>
        <translation>Acción</translation>
    </message>
    <message>
        <source>Numero del chiamante</source>
        <translation>Número del llamante</translation>
    </message>
    <message>
        <source>Nome del chiamante</source>
        <translation>Nombre del llamante</translation>
    </message>
    <message>
        <source>Azienda del chiamante</source>
        <translation>Empresa del llamante</translation>
    </message>
    <message>
        <source>Reparto del chiamante</source>
        <translation>Departamento del llamante</translation>
    </message>
    <message>
        <source>Numero interno</source>
        <translation>Número de extensión</translation>
    </message>
    <message>
        <source>Nome della coda</source>
        <translation>Nombre de la cola</translation>
    </message>
    <message>
        <source>ID della chiamata</source>
        <translation>ID de la llamada</translation>
    </message>
    <message>
        <source>Numero chiamato</source>
        <translation>Número llamado</translation>
    </message>
    <message>
        <source>Inserisci campo</source>
        <translation>Insertar campo</translation>
    </message>
    <message>
        <source>Salva azione</source>
        <translation>Guardar acción</translation>
    </message>
    <message>
        <source>Avanzate</source>
        <translation>Avanzado</translation>
    </message>
    <message>
        <source>Aggiornamenti</source>
        <translation>Actualizaciones</translation>
    </message>
    <message>
        <source>Controlla aggiornamenti all&apos;avvio</source>
        <translation>Buscar actualizaciones al iniciar</translation>
    </message>
    <message>
        <source>Controlla aggiornamenti ogni (minuti)</source>
        <translation>Buscar actualizaciones cada (minutos)</translation>
    </message>
    <message>
        <source>CDR</source>
        <translation>CDR</translation>
    </message>
    <message>
        <source>Massimo intervallo visualizzazione (giorni)</source>
        <translation>Intervalo máximo mostrado (días)</translation>
    </message>
    <message>
        <source>Impostazioni Softphone</source>
        <translation>Configuración del softphone</translation>
    </message>
    <message>
        <source>Impostazioni SIP</source>
        <translation>Configuración SIP</translation>
    </message>
    <message>
        <source>Protocollo di trasporto</source>
        <translation>Protocolo de transporte</translation>
    </message>
    <message>
        <source>Certificati...</source>
        <translation>Certificados...</translation>
    </message>
    <message>
        <source>SIP Registrar</source>
        <translation>Registrador SIP</translation>
    </message>
    <message>
        <source>Usa SIP Registrar locale</source>
        <translation>Usar el registrador SIP local</translation>
    </message>
    <message>
        <source>SIP Proxy</source>
        <translation>Proxy SIP</translation>
    </message>
    <message>
        <source>Preferenze Codec Audio</source>
        <translation>Preferencias de códecs de audio</translation>
    </message>
    <message>
        <source>Impostazioni audio</source>
        <translation>Configuración de audio</translation>
    </message>
    <message>
        <source>Device per il microfono</source>
        <translation>Dispositivo de micrófono</translation>
    </message>
    <message>
        <source>Device per lo speaker</source>
        <translation>Dispositivo de altavoz</translation>
    </message>
    <message>
        <source>Device per la suoneria</source>
        <translation>Dispositivo de timbre</translation>
    </message>
    <message>
        <source>CTI vers. </source>
        <translation>CTI ver. </translation>
    </message>
    <message>
        <source>Chiamata in arrivo (squillo)</source>
        <translation>Llamada entrante (timbre)</translation>
    </message>
    <message>
        <source>Chiusura di una chiamata (riaggancio)</source>
        <translation>Fin de una llamada (colgar)</translation>
    </message>
    <message>
        <source>Apri un Url personalizzato</source>
        <translation>Abrir una URL personalizada</translation>
    </message>
    <message>
        <source>Esegui un processo o uno script</source>
        <translation>Ejecutar un programa o un script</translation>
    </message>
    <message>
        <source>Se abilitato è possibile richiedere l&apos;avvio di una chiamata
semplicemente selezionando la stringa contenente il numero
e copiandola nella clipboard.
Una volta copiata la stringa l&apos;applicazione provvede in automatico
a rimuovere spazi e altri caratteri speciali
e chiede all&apos;utente conferma prima di avviare la chiamata.</source>
        <translation>Si está activado, se puede iniciar una llamada
simplemente seleccionando el texto que contiene el número
y copiándolo al portapapeles.
Una vez copiado el texto, la aplicación
quita automáticamente los espacios y otros caracteres especiales
y pide confirmación al usuario antes de iniciar la llamada.</translation>
    </message>
    <message>
        <source>%1 vers. %2</source>
        <translation>%1 ver. %2</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Non è stato possibile salvare le impostazioni nel file:
%1</source>
        <translation>No se ha podido guardar la configuración en el archivo:
%1</translation>
    </message>
    <message>
        <source>Sembra che sia la prima volta che si esegue %1.
Prego inserire i dati di connessione a %2.</source>
        <translation>Parece que es la primera vez que se ejecuta %1.
Introduzca los datos de conexión a %2.</translation>
    </message>
    <message>
        <source>Inserire password solo per cambiare la precedente</source>
        <translation>Introduzca una contraseña solo para cambiar la actual</translation>
    </message>
    <message>
        <source>Evento a cui collegare l&apos;azione</source>
        <translation>Evento al que se asocia la acción</translation>
    </message>
    <message>
        <source>Tipologia di azione da avviare</source>
        <translation>Tipo de acción que se inicia</translation>
    </message>
    <message>
        <source>Dettaglio azione</source>
        <translation>Detalle de la acción</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Il campo &quot;Azione&quot; non può essere vuoto</source>
        <translation>El campo &quot;Acción&quot; no puede estar vacío</translation>
    </message>
    <message>
        <source>Conferma cancellazione azione</source>
        <translation>Confirmar la eliminación de la acción</translation>
    </message>
    <message>
        <source>Si è sicuri di voler cancellare questa azione?</source>
        <translation>¿Seguro que desea eliminar esta acción?</translation>
    </message>
    <message>
        <source>Errore di indirizzamento</source>
        <translation>Error de dirección</translation>
    </message>
    <message>
        <source>L&apos;indirizzo IP fornito per %1 non è in un formato valido.</source>
        <translation>La dirección IP indicada para %1 no tiene un formato válido.</translation>
    </message>
    <message>
        <source>L&apos;indirizzo IP fornito per il server SIP non è in un formato valido.</source>
        <translation>La dirección IP indicada para el servidor SIP no tiene un formato válido.</translation>
    </message>
    <message>
        <source>Account non in uso</source>
        <translation>Cuenta no utilizada</translation>
    </message>
    <message>
        <source>L&apos;account selezionato non e&apos; utilizzato da nessun terminale.
Sei sicuro di volerlo utilizzare?</source>
        <translation>La cuenta seleccionada no la utiliza ningún terminal.
¿Seguro que desea utilizarla?</translation>
    </message>
    <message>
        <source>Account gia&apos; in uso</source>
        <translation>Cuenta ya en uso</translation>
    </message>
    <message>
        <source>L&apos;account selezionato e&apos; gia&apos; utilizzato dal terminale:
%1.
Sei sicuro di volerlo utilizzare?</source>
        <translation>La cuenta seleccionada ya la utiliza el terminal:
%1.
¿Seguro que desea utilizarla?</translation>
    </message>
    <message>
        <source>Modificati i parametri principali del MCTI</source>
        <translation>Parámetros principales de MCTI modificados</translation>
    </message>
    <message>
        <source>Cambiare i parametri del softphone richiede la chiusura di eventuali chiamate telefoniche in corso. Si è sicuri di voler applicare immediatamente le modifiche?</source>
        <translation>Cambiar la configuración del softphone cierra las llamadas en curso. ¿Seguro que desea aplicar los cambios ahora?</translation>
    </message>
    <message>
        <source>I cambiamenti relativi alla tipologia di applicazione o alla lingua dell&apos;interfaccia saranno operativi al prossimo riavvio dell&apos;applicazione stessa. Si è sicuri di volere applicare immediatamente le modifiche e riavviare l&apos;applicazione?</source>
        <translation>Los cambios del modo de funcionamiento o del idioma de la interfaz se aplican al reiniciar la aplicación. ¿Seguro que desea aplicar los cambios ahora y reiniciar la aplicación?</translation>
    </message>
    <message>
        <source>Tasti di scelta rapida non validi</source>
        <translation>Teclas de acceso rápido no válidas</translation>
    </message>
    <message>
        <source>I seguenti tasti di scelta rapida non sono validi o non è stato possibile registrarli sul sistema: 

%1
Verranno ripristinati i valori precedenti.</source>
        <translation>Las siguientes teclas de acceso rápido no son válidas o no se han podido registrar en el sistema: 

%1
Se restablecerán los valores anteriores.</translation>
    </message>
    <message>
        <source>Salva e riavvia</source>
        <translation>Guardar y reiniciar</translation>
    </message>
</context>
<context>
    <name>MessagingPanel</name>
    <message>
        <source>Servizio Fork To Mobile non configurato</source>
        <translation>Servicio de desvío al móvil no configurado</translation>
    </message>
    <message>
        <source>Errore</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Il campo contenente il numero verso cui redirigere la chiamata non può essere vuoto.</source>
        <translation>El campo con el número al que redirigir la llamada no puede estar vacío.</translation>
    </message>
    <message>
        <source>Casella vocale</source>
        <translation>Buzón de voz</translation>
    </message>
    <message>
        <source>Servizio Audioconferenza</source>
        <translation>Servicio de audioconferencia</translation>
    </message>
    <message>
        <source>Sono presenti %1 nuovi messaggi in segreteria</source>
        <translation>Hay %1 mensajes nuevos en el buzón de voz</translation>
    </message>
    <message>
        <source>Casella vocale - %1 nuovi messaggi in segreteria</source>
        <translation>Buzón de voz - %1 mensajes nuevos</translation>
    </message>
    <message>
        <source>Nessun nuovo messaggio in segreteria</source>
        <translation>No hay mensajes nuevos en el buzón de voz</translation>
    </message>
    <message>
        <source>Casella vocale - Nessun nuovo messaggio in segreteria</source>
        <translation>Buzón de voz - No hay mensajes nuevos</translation>
    </message>
</context>
<context>
    <name>MspMainWidget</name>
    <message>
        <source>Da:</source>
        <translation>Desde:</translation>
    </message>
    <message>
        <source>A:</source>
        <translation>Hasta:</translation>
    </message>
    <message>
        <source>Clicca per scegliere il periodo</source>
        <translation>Haga clic para elegir el periodo</translation>
    </message>
    <message>
        <source>Utenti in coda</source>
        <translation>Usuarios en cola</translation>
    </message>
    <message>
        <source>Ch. più antica</source>
        <translation>Llam. más antigua</translation>
    </message>
    <message>
        <source>T.M. attesa</source>
        <translation>T.M. espera</translation>
    </message>
    <message>
        <source>Operatori</source>
        <translation>Operadores</translation>
    </message>
    <message>
        <source>Ch. perse
(periodo)</source>
        <translation>Llam. perdidas
(periodo)</translation>
    </message>
    <message>
        <source>Ch. servite
(periodo)</source>
        <translation>Llam. atendidas
(periodo)</translation>
    </message>
    <message>
        <source>T.M. attesa
(periodo)</source>
        <translation>T.M. espera
(periodo)</translation>
    </message>
    <message>
        <source>T.M. conv.
(periodo)</source>
        <translation>T.M. conv.
(periodo)</translation>
    </message>
    <message>
        <source>T</source>
        <translation>T</translation>
    </message>
    <message>
        <source>Operatori Disponibili/Occupati/In pausa/Non registrati</source>
        <translation>Operadores disponibles/ocupados/en pausa/no registrados</translation>
    </message>
    <message>
        <source>Stato dell&apos;interno non disponibile</source>
        <translation>Estado de la extensión no disponible</translation>
    </message>
    <message>
        <source>Interno libero</source>
        <translation>Extensión libre</translation>
    </message>
    <message>
        <source>Interno in conversazione</source>
        <translation>Extensión en conversación</translation>
    </message>
    <message>
        <source>Interno occupato</source>
        <translation>Extensión ocupada</translation>
    </message>
    <message>
        <source>L&apos;interno sta squillando</source>
        <translation>La extensión está sonando</translation>
    </message>
    <message>
        <source>Interno in attesa</source>
        <translation>Extensión en espera</translation>
    </message>
    <message>
        <source>Rimuovi </source>
        <translation>Quitar </translation>
    </message>
    <message>
        <source> dalla coda </source>
        <translation> de la cola </translation>
    </message>
    <message>
        <source>Aggiungi </source>
        <translation>Añadir </translation>
    </message>
    <message>
        <source> alla coda </source>
        <translation> a la cola </translation>
    </message>
    <message>
        <source>Ultima ora</source>
        <translation>Última hora</translation>
    </message>
    <message>
        <source>Oggi</source>
        <translation>Hoy</translation>
    </message>
    <message>
        <source>Ieri</source>
        <translation>Ayer</translation>
    </message>
    <message>
        <source>Settimana corrente</source>
        <translation>Semana actual</translation>
    </message>
    <message>
        <source>Mese corrente</source>
        <translation>Mes actual</translation>
    </message>
    <message>
        <source>Mese precedente</source>
        <translation>Mes anterior</translation>
    </message>
    <message>
        <source>Ultimi 30gg</source>
        <translation>Últimos 30 días</translation>
    </message>
    <message>
        <source>Ultimi 60gg</source>
        <translation>Últimos 60 días</translation>
    </message>
    <message>
        <source>Ultimi 90gg</source>
        <translation>Últimos 90 días</translation>
    </message>
</context>
<context>
    <name>PbxServices::ServiceState</name>
    <message>
        <source>Do Not Disturb non attivo</source>
        <translation>No molestar desactivado</translation>
    </message>
    <message>
        <source>Do Not Disturb</source>
        <translation>No molestar</translation>
    </message>
    <message>
        <source>Do Not Disturb attivo</source>
        <translation>No molestar activado</translation>
    </message>
    <message>
        <source>Inoltro incondizionato</source>
        <translation>Desvío incondicional</translation>
    </message>
    <message>
        <source>Inoltro incondizionato non attivo</source>
        <translation>Desvío incondicional desactivado</translation>
    </message>
    <message>
        <source>Inoltro incondizionato attivo</source>
        <translation>Desvío incondicional activado</translation>
    </message>
    <message>
        <source>Inoltro incondizionato attivo su %1</source>
        <translation>Desvío incondicional activado a %1</translation>
    </message>
    <message>
        <source>Servizio Fork To Mobile</source>
        <translation>Servicio de desvío al móvil</translation>
    </message>
    <message>
        <source>Servizio Fork To Mobile non disponibile</source>
        <translation>Servicio de desvío al móvil no disponible</translation>
    </message>
    <message>
        <source>Fork To Mobile attivo: %1</source>
        <translation>Desvío al móvil activado: %1</translation>
    </message>
    <message>
        <source>Fork To Mobile non attivo: %1</source>
        <translation>Desvío al móvil desactivado: %1</translation>
    </message>
    <message>
        <source>Fork To Mobile attivo - numero associato %1</source>
        <translation>Desvío al móvil activado - número asociado %1</translation>
    </message>
    <message>
        <source>Fork To Mobile non attivo - numero associato %1</source>
        <translation>Desvío al móvil desactivado - número asociado %1</translation>
    </message>
</context>
<context>
    <name>PhoneBackends</name>
    <message>
        <source>Modalità telefono fisso</source>
        <translation>Modo teléfono de escritorio</translation>
    </message>
    <message>
        <source>Il telefono %1 associato a questa identità ha un firmware la cui versione non consente l&apos;uso delle API specifiche. 
E&apos; necessario che il telefono abbia una versione firmware superiore o uguale alla 8.7.3.
Fino ad allora il telefono non può essere comandato in modalità telefono fisso.</source>
        <translation>El teléfono %1 asociado a esta identidad tiene una versión de firmware que no permite usar las API específicas. 
El teléfono necesita una versión de firmware igual o superior a la 8.7.3.
Hasta entonces, el teléfono no se puede controlar en modo teléfono de escritorio.</translation>
    </message>
    <message>
        <source>Errore di autenticazione sul telefono associato.
Contatta l&apos;amministratore del PBX.</source>
        <translation>Error de autenticación en el teléfono asociado.
Póngase en contacto con el administrador de la PBX.</translation>
    </message>
    <message>
        <source>Tel. associato: %1</source>
        <translation>Tel. asociado: %1</translation>
    </message>
    <message>
        <source>Le impostazioni della centrale sono cambiate. Per usarle disconnettersi e riconnettersi.</source>
        <translation>La configuración de la centralita ha cambiado. Para usarla, desconéctese y vuelva a conectarse.</translation>
    </message>
    <message>
        <source>Il motore SIP non è partito: il telefono non è disponibile.</source>
        <translation>El motor SIP no se ha iniciado: el teléfono no está disponible.</translation>
    </message>
</context>
<context>
    <name>QDialog</name>
    <message>
        <source>Errore durante la copia dei seguenti certificati:&lt;br&gt;  </source>
        <translation>Error al copiar los siguientes certificados:&lt;br&gt;  </translation>
    </message>
    <message>
        <source>Sono stati aggiunti dei nuovi certificati; riavviare l&apos;applicativo per renderli operativi</source>
        <translation>Se han añadido certificados nuevos; reinicie la aplicación para usarlos</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Impossibile chiudere la chiamata</source>
        <translation>No se puede colgar la llamada</translation>
    </message>
    <message>
        <source>Operazione non supportata dal telefono associato</source>
        <translation>Operación no admitida por el teléfono asociado</translation>
    </message>
    <message>
        <source>&quot;%1&quot; non è un numero valido.</source>
        <translation>&quot;%1&quot; no es un número válido.</translation>
    </message>
</context>
<context>
    <name>QueuesController</name>
    <message>
        <source>Stato Code: N/D</source>
        <translation>Estado de las colas: N/D</translation>
    </message>
    <message>
        <source>Pannello supervisore</source>
        <translation>Panel de supervisor</translation>
    </message>
    <message>
        <source>Pannello supervisore non disponibile</source>
        <translation>Panel de supervisor no disponible</translation>
    </message>
    <message>
        <source>Annulla pausa su tutte le code</source>
        <translation>Quitar la pausa en todas las colas</translation>
    </message>
    <message>
        <source>Stato Code: ATTIVE</source>
        <translation>Estado de las colas: ACTIVAS</translation>
    </message>
    <message>
        <source>Metti in pausa su tutte le code</source>
        <translation>Pausar en todas las colas</translation>
    </message>
    <message>
        <source>Stato Code: PARZ.IN PAUSA</source>
        <translation>Estado de las colas: PARC. EN PAUSA</translation>
    </message>
    <message>
        <source>Stato Code: IN PAUSA</source>
        <translation>Estado de las colas: EN PAUSA</translation>
    </message>
    <message>
        <source>CallCenter report</source>
        <translation>Informe del call center</translation>
    </message>
    <message>
        <source>Il report CallCenter richiesto è stato creato in
%1</source>
        <translation>El informe del call center solicitado se ha creado en
%1</translation>
    </message>
    <message>
        <source>Si è verificato un errore durante la creazione del report CallCenter.
Errore: %1</source>
        <translation>Se ha producido un error al crear el informe del call center.
Error: %1</translation>
    </message>
</context>
<context>
    <name>RapidCall</name>
    <message>
        <source>Clicca sul pulsante per chiamare
%1 (chiamata esterna)</source>
        <translation>Haga clic en el botón para llamar a
%1 (llamada externa)</translation>
    </message>
</context>
<context>
    <name>VeloraCTI</name>
    <message>
        <source>Online</source>
        <translation>En línea</translation>
    </message>
    <message>
        <source>Disponibile</source>
        <translation>Disponible</translation>
    </message>
    <message>
        <source>Fuori</source>
        <translation>Ausente</translation>
    </message>
    <message>
        <source>Occupato</source>
        <translation>Ocupado</translation>
    </message>
    <message>
        <source>Non disponibile</source>
        <translation>No disponible</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Desconectado</translation>
    </message>
    <message>
        <source>Stato Interno non disponibile</source>
        <translation>Estado de la extensión no disponible</translation>
    </message>
    <message>
        <source>Interno libero</source>
        <translation>Extensión libre</translation>
    </message>
    <message>
        <source>Interno in conversazione</source>
        <translation>Extensión en conversación</translation>
    </message>
    <message>
        <source>Interno occupato</source>
        <translation>Extensión ocupada</translation>
    </message>
    <message>
        <source>L&apos;interno sta squillando</source>
        <translation>La extensión está sonando</translation>
    </message>
    <message>
        <source>Interno in attesa</source>
        <translation>Extensión en espera</translation>
    </message>
</context>
<context>
    <name>WdgContactEntry</name>
    <message>
        <source>Interno</source>
        <translation>Extensión</translation>
    </message>
    <message>
        <source>Casa</source>
        <translation>Casa</translation>
    </message>
    <message>
        <source>Lavoro</source>
        <translation>Trabajo</translation>
    </message>
    <message>
        <source>Cellulare</source>
        <translation>Móvil</translation>
    </message>
    <message>
        <source>Cellulare di lavoro</source>
        <translation>Móvil del trabajo</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>Fax</translation>
    </message>
    <message>
        <source>E-Mail</source>
        <translation>Correo electrónico</translation>
    </message>
    <message>
        <source>Principale</source>
        <translation>Principal</translation>
    </message>
    <message>
        <source>Contatto</source>
        <translation>Contacto</translation>
    </message>
    <message>
        <source>es. 123 o </source>
        <translation>p. ej. 123 o </translation>
    </message>
    <message>
        <source>Altro (%1)</source>
        <translation>Otro (%1)</translation>
    </message>
</context>
<context>
    <name>WindowRules</name>
    <message>
        <source> - Inoltro attivo</source>
        <translation> - Desvío activado</translation>
    </message>
    <message>
        <source> - DND attivo</source>
        <translation> - No molestar activado</translation>
    </message>
    <message>
        <source> - In pausa</source>
        <translation> - En pausa</translation>
    </message>
    <message>
        <source> - Parz. In pausa</source>
        <translation> - Parc. en pausa</translation>
    </message>
    <message>
        <source>%1 - Phone non registrato</source>
        <translation>%1 - teléfono no registrado</translation>
    </message>
    <message>
        <source>%1 - disconnesso</source>
        <translation>%1 - desconectado</translation>
    </message>
    <message>
        <source>%1 - Phone registrato</source>
        <translation>%1 - teléfono registrado</translation>
    </message>
    <message>
        <source>%1 - connesso</source>
        <translation>%1 - conectado</translation>
    </message>
</context>
<context>
    <name>dlgAuthentication</name>
    <message>
        <source>Authentication</source>
        <translation>Autenticación</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Usuario</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Contraseña</translation>
    </message>
</context>
<context>
    <name>dlgPasswordPrompt</name>
    <message>
        <source>Dialog</source>
        <translation>Diálogo</translation>
    </message>
    <message>
        <source>Il file di configurazione non contiene password.&lt;br&gt;Inserire la password da utilizzare:</source>
        <translation>El archivo de configuración no contiene contraseña.&lt;br&gt;Introduzca la contraseña que desea usar:</translation>
    </message>
</context>
<context>
    <name>dlgPeriod</name>
    <message>
        <source>Periodo</source>
        <translation>Periodo</translation>
    </message>
    <message>
        <source>CONFIGURA PERIODO</source>
        <translation>CONFIGURAR PERIODO</translation>
    </message>
    <message>
        <source>Da:</source>
        <translation>Desde:</translation>
    </message>
    <message>
        <source>A:</source>
        <translation>Hasta:</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Dati incongruenti</source>
        <translation>Datos incoherentes</translation>
    </message>
    <message>
        <source>La data di partenza del periodo di osservazione deve essere inferiore a quella di fine del periodo.</source>
        <translation>La fecha de inicio del periodo de observación debe ser anterior a la fecha de fin.</translation>
    </message>
</context>
<context>
    <name>dlgRedirect</name>
    <message>
        <source>Inserire il numero di redirezione</source>
        <translation>Introduzca el número de redirección</translation>
    </message>
</context>
<context>
    <name>wdgAccountItem</name>
    <message>
        <source>Account:</source>
        <translation>Cuenta:</translation>
    </message>
    <message>
        <source>Device configurato:</source>
        <translation>Dispositivo configurado:</translation>
    </message>
    <message>
        <source>(nessuno)</source>
        <translation>(ninguno)</translation>
    </message>
    <message>
        <source>Utilizzato da:</source>
        <translation>Utilizado por:</translation>
    </message>
    <message>
        <source>Note:</source>
        <translation>Notas:</translation>
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
        <translation>Nombre Apellidos</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Empresa</translation>
    </message>
    <message>
        <source>account</source>
        <translation>cuenta</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata in corso</source>
        <translation>Llamada en curso</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Cola: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administración</translation>
    </message>
    <message>
        <source>Trasferimento senza offerta</source>
        <translation>Transferencia sin consulta</translation>
    </message>
    <message>
        <source>Annulla trasferimento</source>
        <translation>Cancelar transferencia</translation>
    </message>
    <message>
        <source>Trasferimento con offerta</source>
        <translation>Transferencia con consulta</translation>
    </message>
    <message>
        <source>Parcheggio di chiamata</source>
        <translation>Aparcar llamada</translation>
    </message>
    <message>
        <source>Messa in pausa</source>
        <translation>Poner en espera</translation>
    </message>
    <message>
        <source>Registrazione chiamata</source>
        <translation>Grabación de llamada</translation>
    </message>
    <message>
        <source>Termina chiamata</source>
        <translation>Finalizar llamada</translation>
    </message>
    <message>
        <source>Inoltra al cellulare</source>
        <translation>Desviar al móvil</translation>
    </message>
    <message>
        <source>Chiudi</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Annulla trasferimento della chiamata</source>
        <translation>Cancelar la transferencia de la llamada</translation>
    </message>
    <message>
        <source>Avvio chiamata...</source>
        <translation>Iniciando llamada...</translation>
    </message>
    <message>
        <source>Trasferimento in corso</source>
        <translation>Transferencia en curso</translation>
    </message>
    <message>
        <source>Trasferimento a %1 in corso</source>
        <translation>Transferencia a %1 en curso</translation>
    </message>
    <message>
        <source>Chiamata terminata</source>
        <translation>Llamada finalizada</translation>
    </message>
    <message>
        <source>Completa trasferimento</source>
        <translation>Completar transferencia</translation>
    </message>
    <message>
        <source>Converti in trasferimento senza offerta</source>
        <translation>Convertir en transferencia sin consulta</translation>
    </message>
    <message>
        <source>Coda:</source>
        <translation>Cola:</translation>
    </message>
    <message>
        <source>Gruppo:</source>
        <translation>Grupo:</translation>
    </message>
    <message>
        <source>Ritorno da:</source>
        <translation>Retorno de:</translation>
    </message>
    <message>
        <source> con </source>
        <translation> con </translation>
    </message>
    <message>
        <source>Trasferisci senza offerta</source>
        <translation>Transferir sin consulta</translation>
    </message>
</context>
<context>
    <name>wdgAddDynamicOperator</name>
    <message>
        <source>Interno:</source>
        <translation>Extensión:</translation>
    </message>
    <message>
        <source>Account:</source>
        <translation>Cuenta:</translation>
    </message>
    <message>
        <source>Penalty:</source>
        <translation>Penalización:</translation>
    </message>
    <message>
        <source>Aggiungi</source>
        <translation>Añadir</translation>
    </message>
</context>
<context>
    <name>wdgBalloonMessage</name>
    <message>
        <source>Form</source>
        <translation>Formulario</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Aggiorna ora&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Actualizar ahora&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Ignora&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Ignorar&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
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
        <translation>Haga clic aquí para recuperar la llamada</translation>
    </message>
    <message>
        <source>Nome Cognome</source>
        <translation>Nombre Apellidos</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Empresa</translation>
    </message>
    <message>
        <source>account</source>
        <translation>cuenta</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata prenotata</source>
        <translation>Llamada reservada</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Cola: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administración</translation>
    </message>
    <message>
        <source>Annulla prenotazione</source>
        <translation>Cancelar reserva</translation>
    </message>
</context>
<context>
    <name>wdgCdr</name>
    <message>
        <source>Ricerca sul CDR</source>
        <translation>Búsqueda en el CDR</translation>
    </message>
    <message>
        <source>Dalla data</source>
        <translation>Desde la fecha</translation>
    </message>
    <message>
        <source> alla data</source>
        <translation> hasta la fecha</translation>
    </message>
    <message>
        <source>Contatto</source>
        <translation>Contacto</translation>
    </message>
    <message>
        <source>Non sono presenti chiamate nell&apos;intervallo temporale selezionato.</source>
        <translation>No hay llamadas en el periodo seleccionado.</translation>
    </message>
</context>
<context>
    <name>wdgCdrFilter</name>
    <message>
        <source>Entranti</source>
        <translation>Entrantes</translation>
    </message>
    <message>
        <source>Uscenti</source>
        <translation>Salientes</translation>
    </message>
    <message>
        <source>Interna</source>
        <translation>Interna</translation>
    </message>
    <message>
        <source>Esterna</source>
        <translation>Externa</translation>
    </message>
    <message>
        <source>Servizio</source>
        <translation>Servicio</translation>
    </message>
    <message>
        <source>Diretta</source>
        <translation>Directa</translation>
    </message>
    <message>
        <source>Gruppo</source>
        <translation>Grupo</translation>
    </message>
    <message>
        <source>Coda</source>
        <translation>Cola</translation>
    </message>
    <message>
        <source>Risposte</source>
        <translation>Contestadas</translation>
    </message>
    <message>
        <source>Non risposte</source>
        <translation>No contestadas</translation>
    </message>
    <message>
        <source>Applica</source>
        <translation>Aplicar</translation>
    </message>
    <message>
        <source>Filtro Registro</source>
        <translation>Filtro del registro</translation>
    </message>
    <message>
        <source>Direzione</source>
        <translation>Dirección</translation>
    </message>
    <message>
        <source>Origine (chiamate entranti)</source>
        <translation>Origen (llamadas entrantes)</translation>
    </message>
    <message>
        <source>Destinazione (chiamate entranti)</source>
        <translation>Destino (llamadas entrantes)</translation>
    </message>
    <message>
        <source>Stato</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>Mostra Tutto</source>
        <translation>Mostrar todo</translation>
    </message>
    <message>
        <source>Nascondi Tutto</source>
        <translation>Ocultar todo</translation>
    </message>
    <message>
        <source>Solo Perse</source>
        <translation>Solo perdidas</translation>
    </message>
    <message>
        <source>Ripristina</source>
        <translation>Restablecer</translation>
    </message>
</context>
<context>
    <name>wdgChatMsg</name>
    <message>
        <source>(messaggio troncato: il testo completo si trova salvando la chat)</source>
        <translation>(mensaje truncado: guarde el chat para leer el texto completo)</translation>
    </message>
</context>
<context>
    <name>wdgChat</name>
    <message>
        <source>Scrivi messaggio</source>
        <translation>Escribir mensaje</translation>
    </message>
    <message>
        <source>Chat: %1</source>
        <translation>Chat: %1</translation>
    </message>
    <message>
        <source>sta scrivendo...</source>
        <translation>está escribiendo...</translation>
    </message>
    <message>
        <source>IO</source>
        <translation>YO</translation>
    </message>
    <message>
        <source>Invio Chat del </source>
        <translation>Envío de chat del </translation>
    </message>
    <message>
        <source>Salva la chat su file</source>
        <translation>Guardar el chat en un archivo</translation>
    </message>
    <message>
        <source>File di testo (*.txt)</source>
        <translation>Archivos de texto (*.txt)</translation>
    </message>
    <message>
        <source>Impossibile salvare la chat in %1: %2</source>
        <translation>No se puede guardar el chat en %1: %2</translation>
    </message>
</context>
<context>
    <name>wdgChatPanel</name>
    <message>
        <source>Nessuna chat selezionata</source>
        <translation>Ningún chat seleccionado</translation>
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
        <translation>Nombre Apellidos</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Empresa</translation>
    </message>
    <message>
        <source>account</source>
        <translation>cuenta</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata in arrivo</source>
        <translation>Llamada entrante</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Cola: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administración</translation>
    </message>
    <message>
        <source>Rispondi</source>
        <translation>Contestar</translation>
    </message>
    <message>
        <source>Rifiuta</source>
        <translation>Rechazar</translation>
    </message>
    <message>
        <source>Inoltra chiamata</source>
        <translation>Desviar llamada</translation>
    </message>
    <message>
        <source>Ignora</source>
        <translation>Ignorar</translation>
    </message>
    <message>
        <source>Coda:</source>
        <translation>Cola:</translation>
    </message>
    <message>
        <source>Gruppo:</source>
        <translation>Grupo:</translation>
    </message>
    <message>
        <source>Ritorno da:</source>
        <translation>Retorno de:</translation>
    </message>
    <message>
        <source> da </source>
        <translation> de </translation>
    </message>
</context>
<context>
    <name>wdgNewOperator</name>
    <message>
        <source>Aggiungi</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>Aggiungi Operatore</source>
        <translation>Añadir operador</translation>
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
        <translation>Haga clic aquí para recuperar la llamada</translation>
    </message>
    <message>
        <source>Nome Cognome</source>
        <translation>Nombre Apellidos</translation>
    </message>
    <message>
        <source>605</source>
        <translation>605</translation>
    </message>
    <message>
        <source>Azienda</source>
        <translation>Empresa</translation>
    </message>
    <message>
        <source>account</source>
        <translation>cuenta</translation>
    </message>
    <message>
        <source>12:34:00</source>
        <translation>12:34:00</translation>
    </message>
    <message>
        <source>Chiamata in attesa</source>
        <translation>Llamada en espera</translation>
    </message>
    <message>
        <source>Coda: </source>
        <translation>Cola: </translation>
    </message>
    <message>
        <source>Amministrazione</source>
        <translation>Administración</translation>
    </message>
    <message>
        <source>Riprendi chiamata</source>
        <translation>Recuperar llamada</translation>
    </message>
    <message>
        <source>Termina chiamata</source>
        <translation>Finalizar llamada</translation>
    </message>
    <message>
        <source>Inoltro al cellulare</source>
        <translation>Desvío al móvil</translation>
    </message>
    <message>
        <source>SIP Account: %1</source>
        <translation>Cuenta SIP: %1</translation>
    </message>
    <message>
        <source> da </source>
        <translation> de </translation>
    </message>
</context>
<context>
    <name>wdgOperatorInfo</name>
    <message>
        <source>Pausa</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>Chiamate servite</source>
        <translation>Llamadas atendidas</translation>
    </message>
    <message>
        <source>Membership</source>
        <translation>Pertenencia</translation>
    </message>
    <message>
        <source>Penalty</source>
        <translation>Penalización</translation>
    </message>
    <message>
        <source>Data dell&apos;ultimo cambio dello stato di pausa</source>
        <translation>Fecha del último cambio del estado de pausa</translation>
    </message>
    <message>
        <source>Data dell&apos;ultima chiamata servita</source>
        <translation>Fecha de la última llamada atendida</translation>
    </message>
    <message>
        <source>Riattiva</source>
        <translation>Reactivar</translation>
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
        <translation>Mensaje personalizado</translation>
    </message>
</context>
<context>
    <name>wdgQueueAccount</name>
    <message>
        <source>Account:</source>
        <translation>Cuenta:</translation>
    </message>
    <message>
        <source>stato:</source>
        <translation>estado:</translation>
    </message>
    <message>
        <source>IN PAUSA</source>
        <translation>EN PAUSA</translation>
    </message>
    <message>
        <source>ATTIVO</source>
        <translation>ACTIVO</translation>
    </message>
    <message>
        <source>Riattiva</source>
        <translation>Reactivar</translation>
    </message>
    <message>
        <source>Pausa</source>
        <translation>Pausa</translation>
    </message>
</context>
<context>
    <name>wdgQueueStats</name>
    <message>
        <source>Statistiche generali della coda</source>
        <translation>Estadísticas generales de la cola</translation>
    </message>
    <message>
        <source>Chiamate in coda</source>
        <translation>Llamadas en cola</translation>
    </message>
    <message>
        <source>Chiamate perse:</source>
        <translation>Llamadas perdidas:</translation>
    </message>
    <message>
        <source>Numero di utenti in coda</source>
        <translation>Número de usuarios en cola</translation>
    </message>
    <message>
        <source>T. m. di convers. (sec):</source>
        <translation>T. m. de conv. (s):</translation>
    </message>
    <message>
        <source>T. m. di attesa (sec):</source>
        <translation>T. m. de espera (s):</translation>
    </message>
    <message>
        <source>Chiamate lavorate:</source>
        <translation>Llamadas gestionadas:</translation>
    </message>
    <message>
        <source>Statistiche personali</source>
        <translation>Estadísticas personales</translation>
    </message>
    <message>
        <source>Stato sulla coda: -</source>
        <translation>Estado en la cola: -</translation>
    </message>
    <message>
        <source>Chiamate prese</source>
        <translation>Llamadas atendidas</translation>
    </message>
    <message>
        <source>Pausa</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>Ultima chiamata:</source>
        <translation>Última llamada:</translation>
    </message>
    <message>
        <source>Stato pausa per account</source>
        <translation>Estado de pausa por cuenta</translation>
    </message>
    <message>
        <source>Ultima chiamata servita in data: %1</source>
        <translation>Fecha de la última llamada atendida: %1</translation>
    </message>
    <message>
        <source>Stato sulla coda: IN PAUSA</source>
        <translation>Estado en la cola: EN PAUSA</translation>
    </message>
    <message>
        <source>Riattiva</source>
        <translation>Reactivar</translation>
    </message>
    <message>
        <source>Stato sulla coda: ATTIVO</source>
        <translation>Estado en la cola: ACTIVO</translation>
    </message>
</context>
<context>
    <name>wdgQueues</name>
    <message>
        <source>Code d&apos;attesa</source>
        <translation>Colas de espera</translation>
    </message>
</context>
<context>
    <name>wdgSms</name>
    <message>
        <source>Inserire il destinatario del messaggio.</source>
        <translation>Introduzca el destinatario del mensaje.</translation>
    </message>
    <message>
        <source>Il destinatario &quot;%1&quot; non è un numero valido.</source>
        <translation>El destinatario &quot;%1&quot; no es un número válido.</translation>
    </message>
    <message>
        <source>Il testo del messaggio è vuoto.</source>
        <translation>El texto del mensaje está vacío.</translation>
    </message>
    <message>
        <source>Il messaggio supera i %1 caratteri consentiti.</source>
        <translation>El mensaje supera los %1 caracteres permitidos.</translation>
    </message>
    <message>
        <source>Invio SMS</source>
        <translation>Envío de SMS</translation>
    </message>
    <message>
        <source>Destinatario: </source>
        <translation>Destinatario: </translation>
    </message>
    <message>
        <source>Testo del messaggio</source>
        <translation>Texto del mensaje</translation>
    </message>
    <message>
        <source>160 caratteri residui</source>
        <translation>Quedan 160 caracteres</translation>
    </message>
    <message>
        <source>Invia</source>
        <translation>Enviar</translation>
    </message>
    <message>
        <source> caratteri disponibili</source>
        <translation> caracteres disponibles</translation>
    </message>
    <message>
        <source>Invio del messaggio non riuscito.
%1</source>
        <translation>No se ha podido enviar el mensaje.
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
        <translation>Número que marcar</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Avvia chiamata&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Iniciar llamada&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Avvia chiamata</source>
        <translation>Iniciar llamada</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>SMS</translation>
    </message>
    <message>
        <source>Mute/Unmute Input Audio</source>
        <translation>Silenciar/activar el micrófono</translation>
    </message>
    <message>
        <source>Mute/Unmute Output Audio</source>
        <translation>Silenciar/activar el altavoz</translation>
    </message>
    <message>
        <source>Ch. in coda</source>
        <translation>Llam. en cola</translation>
    </message>
    <message>
        <source>Stato connessione MCTI</source>
        <translation>Estado de la conexión MCTI</translation>
    </message>
    <message>
        <source>Stato: NON CONNESSO</source>
        <translation>Estado: NO CONECTADO</translation>
    </message>
    <message>
        <source>Qualità della chiamata</source>
        <translation>Calidad de la llamada</translation>
    </message>
    <message>
        <source>Preferiti</source>
        <translation>Favoritos</translation>
    </message>
    <message>
        <source>Interni</source>
        <translation>Extensiones</translation>
    </message>
    <message>
        <source>Cerca interno</source>
        <translation>Buscar extensión</translation>
    </message>
    <message>
        <source>Rubrica</source>
        <translation>Agenda</translation>
    </message>
    <message>
        <source>Cerca contatto in rubrica</source>
        <translation>Buscar contacto en la agenda</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Aggiungi contatto&lt;br/&gt;in rubrica&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Añadir contacto&lt;br/&gt;a la agenda&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Aggiungi contatto</source>
        <translation>Añadir contacto</translation>
    </message>
    <message>
        <source>Attendere prego - Importazione contatti in corso...</source>
        <translation>Espere, por favor - importando contactos...</translation>
    </message>
    <message>
        <source>Recenti</source>
        <translation>Recientes</translation>
    </message>
    <message>
        <source>Filtro - dalla data</source>
        <translation>Filtro - desde la fecha</translation>
    </message>
    <message>
        <source>Non sono presenti chiamate nell&apos;intervallo temporale selezionato.</source>
        <translation>No hay llamadas en el periodo seleccionado.</translation>
    </message>
    <message>
        <source>A</source>
        <translation>Hasta</translation>
    </message>
    <message>
        <source>Filtro - alla data</source>
        <translation>Filtro - hasta la fecha</translation>
    </message>
    <message>
        <source>Filtro Registro</source>
        <translation>Filtro del registro</translation>
    </message>
    <message>
        <source>Cerca contatto</source>
        <translation>Buscar contacto</translation>
    </message>
    <message>
        <source>Cerca nel registro chiamate</source>
        <translation>Buscar en el registro de llamadas</translation>
    </message>
    <message>
        <source>Da</source>
        <translation>Desde</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Colas</translation>
    </message>
    <message>
        <source>A:</source>
        <translation>Hasta:</translation>
    </message>
    <message>
        <source>Da:</source>
        <translation>Desde:</translation>
    </message>
    <message>
        <source> Periodo di raccolta delle statistiche:</source>
        <translation> Periodo de las estadísticas:</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Voicemail</source>
        <translation>Buzón de voz</translation>
    </message>
    <message>
        <source>Nessun messaggio in casella vocale</source>
        <translation>No hay mensajes en el buzón de voz</translation>
    </message>
    <message>
        <source>Opzioni</source>
        <translation>Opciones</translation>
    </message>
    <message>
        <source>Visualizza</source>
        <translation>Ver</translation>
    </message>
    <message>
        <source>Trasparenza</source>
        <translation>Transparencia</translation>
    </message>
    <message>
        <source>Modalità estesa</source>
        <translation>Modo extendido</translation>
    </message>
    <message>
        <source>Modalità ridotta</source>
        <translation>Modo reducido</translation>
    </message>
    <message>
        <source>Sempre in primo piano</source>
        <translation>Siempre visible</translation>
    </message>
    <message>
        <source>0% (opaco)</source>
        <translation>0% (opaco)</translation>
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
        <translation>80% (apenas visible)</translation>
    </message>
    <message>
        <source>Mostra tastierino numerico</source>
        <translation>Mostrar teclado numérico</translation>
    </message>
    <message>
        <source>Ctrl+K</source>
        <translation>Ctrl+K</translation>
    </message>
    <message>
        <source>Mostra pulsanti funzione</source>
        <translation>Mostrar botones de función</translation>
    </message>
    <message>
        <source>Mostra numero chiamate in coda</source>
        <translation>Mostrar número de llamadas en cola</translation>
    </message>
    <message>
        <source>Mostra volumi</source>
        <translation>Mostrar volúmenes</translation>
    </message>
</context>
<context>
    <name>wdgVoicemailLine</name>
    <message>
        <source>Mittente</source>
        <translation>Remitente</translation>
    </message>
    <message>
        <source>Elimina</source>
        <translation>Eliminar</translation>
    </message>
    <message>
        <source>Riproduci</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>Scaricamento</source>
        <translation>Descarga</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Desconocido</translation>
    </message>
    <message>
        <source>Errore!</source>
        <translation>¡Error!</translation>
    </message>
    <message>
        <source>Impossibile scaricare il messaggio vocale</source>
        <translation>No se puede descargar el mensaje de voz</translation>
    </message>
</context>
</TS>
