// The bundle's load and unload hooks: the Settings application finds the
// principal class by name, so every class must be in the runtime as soon as
// the library is loaded, and out of it (their factories and methods are code
// of this library) before it goes.
#include "settings/CodeItemsTVC.h"
#include "settings/CodesViewController.h"
#include "settings/NewCommandVC.h"
#include "settings/QuorvelPrefBundleListController.h"
#include "settings/SelectFieldsVC.h"
#include "settings/WizardState.h"

namespace {

__attribute__((constructor)) void registerPrefBundleClasses()
{
    quorvel::QuorvelPrefBundleListController::runtimeClass();
    quorvel::CodesViewController::runtimeClass();
    quorvel::CodeItemsTVC::runtimeClass();
    quorvel::NewCommandVC::runtimeClass();
    quorvel::SelectFieldsVC::runtimeClass();
}

__attribute__((destructor)) void unregisterPrefBundleClasses()
{
    // The command screen held process-wide is code of this library too.
    quorvel::wizardState().refToSelf.reset();
    quorvel::QuorvelPrefBundleListController::unregisterRuntimeClass();
    quorvel::CodesViewController::unregisterRuntimeClass();
    quorvel::CodeItemsTVC::unregisterRuntimeClass();
    quorvel::NewCommandVC::unregisterRuntimeClass();
    quorvel::SelectFieldsVC::unregisterRuntimeClass();
}

} // namespace
