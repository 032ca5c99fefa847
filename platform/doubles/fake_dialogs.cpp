#include "platform/doubles/fake_dialogs.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace platform::doubles {

void FakeDialogs::AnswerMessage(Answer answer, WhileOpen whileOpen) {
  messageAnswers_.push_back({answer, std::move(whileOpen)});
}

void FakeDialogs::AnswerInput(std::wstring text, WhileOpen whileOpen) {
  inputAnswers_.push_back({std::move(text), std::move(whileOpen)});
}

void FakeDialogs::RunWhileOpen(const WhileOpen& whileOpen) {
  if (!whileOpen) return;
  // Keeps the count right even when the callback ends the program.
  struct Open {
    int& n;
    explicit Open(int& count) : n(count) { ++n; }
    ~Open() { --n; }
  } open{open_};
  whileOpen();
}

Answer FakeDialogs::MessageBox(const std::wstring& text, Icon icon, Buttons buttons,
                               const std::wstring& title) {
  shown_.push_back({BoxKind::Message, text, title, icon, buttons, {}});
  Answer answer = buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  if (!messageAnswers_.empty()) {
    MessageAnswer scripted = std::move(messageAnswers_.front());
    messageAnswers_.pop_front();
    answer = scripted.answer;
    RunWhileOpen(scripted.whileOpen);
  }
  return answer;
}

std::wstring FakeDialogs::InputBox(const std::wstring& prompt, const std::wstring& title,
                                   const std::wstring& defaultText) {
  shown_.push_back({BoxKind::Input, prompt, title, Icon::Information, Buttons::Ok, defaultText});
  if (inputAnswers_.empty()) return {};
  InputAnswer scripted = std::move(inputAnswers_.front());
  inputAnswers_.pop_front();
  RunWhileOpen(scripted.whileOpen);
  return scripted.text;
}

std::vector<ShownBox> FakeDialogs::MessagesWithText(const std::wstring& text) const {
  std::vector<ShownBox> found;
  std::copy_if(shown_.begin(), shown_.end(), std::back_inserter(found), [&](const ShownBox& box) {
    return box.kind == BoxKind::Message && box.text == text;
  });
  return found;
}

std::size_t FakeDialogs::InputCount() const {
  return static_cast<std::size_t>(std::count_if(
      shown_.begin(), shown_.end(), [](const ShownBox& b) { return b.kind == BoxKind::Input; }));
}

std::size_t FakeDialogs::MessageCount() const { return shown_.size() - InputCount(); }

}  // namespace platform::doubles
