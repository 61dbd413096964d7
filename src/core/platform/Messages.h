#pragma once
// Message boxes as the core asks for them: what kind of box, what the user
// answered, and the callback that shows one (dialogs take it, so they need
// nothing else of the window that owns them).
#include <functional>
#include <string>

enum class MessageKind {
  Plain,        // OK, no icon
  Stop,         // OK, error icon
  Information,  // OK, information icon
  Question,     // Yes / No, question icon
};
enum class MessageAnswer { Ok, Yes, No };

using ShowMessageFn = std::function<MessageAnswer(const std::string& text, MessageKind kind)>;
