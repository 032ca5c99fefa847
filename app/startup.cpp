#include "app/startup.h"

#include <string>

#include "app/exit_codes.h"
#include "platform/decimal.h"

namespace app {

namespace {

constexpr wchar_t kTitle[] = L"Lumarso 2015";

// Follows "Uso: <exe name>".
constexpr wchar_t kUsage[] =
    L" [/S | /PASSIVE] [/RETRIES=n] [/LOG=file] [/D=cartella]\n"
    L"\n"
    L"/S \u2013 installazione silenziosa: nessuna finestra e nessun messaggio.\n"
    L"/PASSIVE \u2013 come /S, ma con una piccola finestra che mostra l'avanzamento; "
    L"chiuderla interrompe l'installazione (codice 1602).\n"
    L"/D=cartella \u2013 la cartella di Quadrivo, al posto di quella letta dal registro. "
    L"Va data per ultima: tutto ci\u00f2 che segue \"=\" \u00e8 la cartella, spazi compresi, "
    L"senza virgolette.\n"
    L"/RETRIES=n \u2013 solo con /S o /PASSIVE: quanti nuovi tentativi, uno ogni 20 secondi, prima di "
    L"rinunciare (40 se omesso; 0: un solo tentativo).\n"
    L"/LOG=file \u2013 aggiunge al file un registro in inglese (UTF-8), per l'assistenza.\n"
    L"/? oppure /H \u2013 mostra questo aiuto.\n"
    L"\n"
    L"Codici di uscita:\n"
    L"0 \u2013 manuale scritto, o gi\u00e0 presente e identico (nulla da scrivere)\n"
    L"1 \u2013 riga di comando non valida\n"
    L"2 \u2013 Quadrivo.exe non trovato nella cartella (con /S); nulla \u00e8 stato scritto\n"
    L"3 \u2013 tentativi esauriti; il Lumarso2015.zip precedente resta com'era\n"
    L"4 \u2013 impossibile aprire il file di registro\n"
    L"5 \u2013 solo l'aggiornamento (Lumarso2015-patch.exe): il manuale installato non \u00e8 "
    L"l'edizione da aggiornare; nulla \u00e8 stato scritto\n"
    L"1602 \u2013 interrotto dall'utente, o finestra chiusa prima della fine\n"
    L"1603 \u2013 errore imprevisto";

std::wstring ProblemInEnglish(const CommandLine& c) {
  switch (c.problem) {
    case SwitchProblem::Unknown: return L"unknown switch";
    case SwitchProblem::BadNumber: return L"not a whole number from 0 to 4294967295";
    case SwitchProblem::Empty: return L"no value after '='";
    case SwitchProblem::Twice: return L"given twice";
    case SwitchProblem::NotLast: return L"/D= must be the last switch";
    case SwitchProblem::RetriesWithoutSilent: return L"/RETRIES= needs /S";
    case SwitchProblem::None: break;
  }
  return L"";
}

std::wstring ProblemInItalian(const CommandLine& c) {
  switch (c.problem) {
    case SwitchProblem::Unknown: return L"opzione sconosciuta";
    case SwitchProblem::BadNumber: return L"serve un numero intero da 0 a 4294967295";
    case SwitchProblem::Empty: return L"manca il valore dopo \"=\"";
    case SwitchProblem::Twice: return L"opzione ripetuta";
    case SwitchProblem::NotLast: return L"/D= deve essere l'ultima opzione";
    case SwitchProblem::RetriesWithoutSilent: return L"/RETRIES= vale solo con /S";
    case SwitchProblem::None: break;
  }
  return L"";
}

}  // namespace

std::optional<int> Prepare(const CommandLine& commandLine, std::wstring_view arguments,
                           platform::Dialogs& dialogs, InstallLog& log, std::wstring_view exeName) {
  const bool boxes = !commandLine.silent;
  // First, so that every later step, a bad switch included, is logged.
  if (!commandLine.logPath.empty()) {
    const platform::Win32Status status = log.Open(commandLine.logPath);
    if (status != platform::kErrorSuccess) {
      if (boxes) {
        dialogs.MessageBox(L"Impossibile aprire il file di registro:\n" + commandLine.logPath +
                               L"\n(errore " + platform::Decimal(status) + L")",
                           platform::Icon::Critical, platform::Buttons::Ok, kTitle);
      }
      return kExitLogUnopenable;
    }
  }
  log.Line(std::wstring(L"Lumarso2015 ") + kVersion + L" started" +
           (commandLine.progressWindow ? L" (silent, progress window)"
            : commandLine.silent       ? L" (silent)"
                                       : L"") +
           L", command line: " +
           std::wstring(arguments));
  if (!commandLine.Good()) {
    // Quoted, so that a switch of blanks or quotes alone still shows where it is.
    const std::wstring quoted = L"\"" + commandLine.badSwitch + L"\"";
    log.Line(L"result: exit code 1, bad command line: " + quoted + L": " +
             ProblemInEnglish(commandLine));
    if (boxes) {
      dialogs.MessageBox(L"Opzione non valida: " + quoted + L"\n(" +
                             ProblemInItalian(commandLine) + L")\n\n/? mostra le opzioni.",
                         platform::Icon::Critical, platform::Buttons::Ok, kTitle);
    }
    return kExitBadCommandLine;
  }
  if (commandLine.help) {
    // With /S nobody is there to read it: the log says it was asked for.
    if (boxes) {
      dialogs.MessageBox(L"Uso: " + std::wstring(exeName) + kUsage, platform::Icon::Information,
                         platform::Buttons::Ok, kTitle);
    }
    log.Line(L"result: exit code 0, usage shown" + std::wstring(boxes ? L"" : L" (not shown with /S)"));
    return kExitHelpShown;
  }
  return std::nullopt;
}

int WindowClosed(InstallLog& log) {
  log.Line(L"result: exit code 1602, the window was closed before the manual was written");
  return kExitCancelled;
}

}  // namespace app
