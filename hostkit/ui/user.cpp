// The process-wide current user.
#include "hostkit/ui/user.h"

namespace {
User* theUser = nullptr;
}

namespace hostkit {
User* setUser(User* user) {
    User* previous = theUser;
    theUser = user;
    return previous;
}

User* currentUser() {
    return theUser;
}
} // namespace hostkit
