// Identifiers of the message table and the access to its texts.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace keeper {

enum class MessageId : unsigned {
#define KEEPER_MESSAGE(id, name, text) name = (id),
#include "resources/messages.def"
#undef KEEPER_MESSAGE
};

/// The English month and day names of the table, for a locale that gives none;
/// index 0 is January or Sunday.
inline constexpr std::array<MessageId, 12> MonthAbbreviationIds = {
    MessageId::JanuaryAbbreviation,   MessageId::FebruaryAbbreviation,
    MessageId::MarchAbbreviation,     MessageId::AprilAbbreviation,
    MessageId::MayAbbreviation,       MessageId::JuneAbbreviation,
    MessageId::JulyAbbreviation,      MessageId::AugustAbbreviation,
    MessageId::SeptemberAbbreviation, MessageId::OctoberAbbreviation,
    MessageId::NovemberAbbreviation,  MessageId::DecemberAbbreviation};
inline constexpr std::array<MessageId, 12> MonthNameIds = {
    MessageId::JanuaryName, MessageId::FebruaryName, MessageId::MarchName,
    MessageId::AprilName,   MessageId::MayName,      MessageId::JuneName,
    MessageId::JulyName,    MessageId::AugustName,   MessageId::SeptemberName,
    MessageId::OctoberName, MessageId::NovemberName, MessageId::DecemberName};
inline constexpr std::array<MessageId, 7> DayAbbreviationIds = {
    MessageId::SundayAbbreviation,   MessageId::MondayAbbreviation,
    MessageId::TuesdayAbbreviation,  MessageId::WednesdayAbbreviation,
    MessageId::ThursdayAbbreviation, MessageId::FridayAbbreviation,
    MessageId::SaturdayAbbreviation};
inline constexpr std::array<MessageId, 7> DayNameIds = {
    MessageId::SundayName,    MessageId::MondayName,   MessageId::TuesdayName,
    MessageId::WednesdayName, MessageId::ThursdayName, MessageId::FridayName,
    MessageId::SaturdayName};

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
