#pragma once
// The install command's and the retry timer's fixed texts and values.

namespace app::texts {

inline constexpr wchar_t kHostUnderMaker[] = L"Quadrivo\\";
inline constexpr wchar_t kHostUnderProgramFiles[] = L"\\Velto\\Quadrivo\\";
inline constexpr wchar_t kHostExe[] = L"Quadrivo.exe";
inline constexpr wchar_t kPrompt[] = L"Specificare il percorso in cui \u00e8 stato installato Quadrivo";
inline constexpr wchar_t kPromptTitle[] = L"Setup";
inline constexpr wchar_t kStopQuestion[] = L"Interrompere?";
inline constexpr wchar_t kStopQuestionTitle[] = L"Attenzione";
inline constexpr wchar_t kStopped[] = L"Interrotto!";
inline constexpr wchar_t kStoppedTitle[] = L"Aggiornamento";
inline constexpr int kRetriesBeforeQuestion = 40;

}  // namespace app::texts
