#pragma once

namespace wypelniak {

// The program's name: the main window's caption and the title of a message
// box shown without a title of its own.
inline constexpr char ApplicationTitle[] = "Wypełniak";

// Title of every refusal and error message.
inline constexpr char ErrorTitle[] = "Błąd";

// Icon of a message box.
enum class MessageIcon { None, Exclamation, Information };

}  // namespace wypelniak
