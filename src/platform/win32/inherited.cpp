#include "platform/inherited.h"

namespace keeper {

void PutBackInheritedState() {}

}  // namespace keeper
