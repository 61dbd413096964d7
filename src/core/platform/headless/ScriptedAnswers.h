#pragma once
// Message boxes answered from a script, where no one is there to click: every
// box is recorded; a question takes `answers` front to back, Yes once none is
// left; any other box is acknowledged with OK.
#include <deque>
#include <string>
#include <vector>

#include "platform/Messages.h"

struct ScriptedAnswers {
  struct Shown {
    std::string text;
    MessageKind kind;
  };
  std::vector<Shown> messages;
  std::deque<MessageAnswer> answers;

  MessageAnswer Answer(const std::string& text, MessageKind kind) {
    messages.push_back({text, kind});
    if (kind != MessageKind::Question) return MessageAnswer::Ok;
    if (answers.empty()) return MessageAnswer::Yes;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  // The same script as the callback through which a window shows its boxes.
  ShowMessageFn Hook() {
    return [this](const std::string& text, MessageKind kind) { return Answer(text, kind); };
  }
};
