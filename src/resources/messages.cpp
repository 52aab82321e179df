#include "resources/messages.h"

namespace keeper {

std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string result;
    result.reserve(text.size());
    auto next = args.begin();
    std::size_t at = 0;
    while (at < text.size()) {
        const bool placeholder = text.compare(at, 2, "%s") == 0 || text.compare(at, 2, "%d") == 0 ||
                                 text.compare(at, 2, "%p") == 0;
        if (next != args.end() && placeholder) {
            result.append(*next++);
            at += 2;
        } else {
            result.push_back(text[at++]);
        }
    }
    return result;
}

std::string FormatMessageText(MessageId id, std::initializer_list<std::string_view> args) {
    return Substitute(MessageText(id), args);
}

}  // namespace keeper
