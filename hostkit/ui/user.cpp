// The process-wide current user.
#include "hostkit/ui/user.h"

namespace {
User* currentUser = nullptr;
}

User* hkSetUser(User* user) {
    User* previous = currentUser;
    currentUser = user;
    return previous;
}

User* hkCurrentUser() {
    return currentUser;
}
