// Identifiers of the message table and the access to its texts.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace keeper {

enum class MessageId : unsigned {
#define KEEPER_MESSAGE(id, name, text) name = (id),
#include "resources/messages.def"
#undef KEEPER_MESSAGE
};

/// The text of a message, loaded from the program's string table each time it is
/// asked for; the empty text for an identifier the table does not hold.
std::string MessageText(MessageId id);

/// The text with each placeholder ("%s", and "%d" and "%p" whose arguments the caller
/// has already written as text) replaced, in order, by the next argument, unchanged.
/// A placeholder without an argument left stays as it is.
/// ("Error %s: %s", {"2", "x"}) => "Error 2: x"
std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args);

/// MessageText followed by Substitute.
std::string FormatMessageText(MessageId id, std::initializer_list<std::string_view> args);

}  // namespace keeper
