// The bundle's load and unload hooks: the host finds the principal class by
// name, so it must be in the runtime as soon as the library is loaded, and out
// of it (its factory and methods are code of this library) before it goes.
//
// A static object rather than constructor/destructor functions: its destructor
// is registered after the runtime's class table exists, so it runs before that
// table is destroyed, both at dlclose and at process exit (a library still
// loaded at exit is finalised only after every static of the program).
#include "widget/QuorvelController.h"

namespace {

struct ClassRegistration {
    ClassRegistration() { quorvel::QuorvelController::registerRuntimeClass(); }
    ~ClassRegistration() { quorvel::QuorvelController::unregisterRuntimeClass(); }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
};

const ClassRegistration registration;

} // namespace
