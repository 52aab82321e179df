#include "resources/messages.h"

namespace keeper {

std::string MessageText(MessageId id) {
    switch (id) {
#define KEEPER_MESSAGE(number, name, text) \
    case MessageId::name:                  \
        return text;
#include "resources/messages.def"
#undef KEEPER_MESSAGE
    }
    return {};
}

}  // namespace keeper
