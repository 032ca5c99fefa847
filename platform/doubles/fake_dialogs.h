#pragma once
// Message boxes and input boxes answered from a script.  Every box shown is
// recorded; a scripted answer may run a callback while its box is "open", the
// way a real modal loop keeps dispatching timer ticks behind the box.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace platform::doubles {

enum class BoxKind { Message, Input };

struct ShownBox {
  BoxKind kind = BoxKind::Message;
  std::wstring text;         // the message, or the input box's prompt
  std::wstring title;
  Icon icon = Icon::Information;  // message boxes only
  Buttons buttons = Buttons::Ok;  // message boxes only
  std::wstring defaultText;  // input boxes only
};

class FakeDialogs final : public Dialogs {
 public:
  using WhileOpen = std::function<void()>;

  // Answers for the next message boxes, in order.  Without a scripted
  // answer a box is closed with its default button (OK, or Yes).
  void AnswerMessage(Answer answer, WhileOpen whileOpen = {});
  // Answers for the next input boxes, in order: the text OK returns.
  // Without a scripted answer an input box is cancelled (empty text).
  void AnswerInput(std::wstring text, WhileOpen whileOpen = {});
  void CancelInput(WhileOpen whileOpen = {}) { AnswerInput(L"", std::move(whileOpen)); }

  Answer MessageBox(const std::wstring& text, Icon icon, Buttons buttons,
                    const std::wstring& title) override;
  std::wstring InputBox(const std::wstring& prompt, const std::wstring& title,
                        const std::wstring& defaultText) override;

  // Every box shown so far, in the order they were opened.
  [[nodiscard]] const std::vector<ShownBox>& Shown() const noexcept { return shown_; }
  [[nodiscard]] std::vector<ShownBox> MessagesWithText(const std::wstring& text) const;
  [[nodiscard]] std::size_t InputCount() const;
  [[nodiscard]] std::size_t MessageCount() const;
  // How many boxes are open right now (a callback may open more).
  [[nodiscard]] int OpenNow() const noexcept { return open_; }
  [[nodiscard]] std::size_t UnusedAnswers() const noexcept {
    return messageAnswers_.size() + inputAnswers_.size();
  }
  void ClearShown() { shown_.clear(); }

 private:
  struct MessageAnswer {
    Answer answer;
    WhileOpen whileOpen;
  };
  struct InputAnswer {
    std::wstring text;
    WhileOpen whileOpen;
  };
  void RunWhileOpen(const WhileOpen& whileOpen);

  std::deque<MessageAnswer> messageAnswers_;
  std::deque<InputAnswer> inputAnswers_;
  std::vector<ShownBox> shown_;
  int open_ = 0;
};

}  // namespace platform::doubles
