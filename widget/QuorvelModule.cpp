// The bundle's load and unload hooks: the host finds the principal class by
// name, so it must be in the runtime as soon as the library is loaded, and out
// of it (its factory and methods are code of this library) before it goes.
#include "widget/QuorvelController.h"

namespace {

__attribute__((constructor)) void registerQuorvelController() { quorvel::QuorvelController::registerRuntimeClass(); }

__attribute__((destructor)) void unregisterQuorvelController() { quorvel::QuorvelController::unregisterRuntimeClass(); }

} // namespace
