// The bundle's load and unload hooks: the Settings application finds the
// principal class by name, so every class must be in the runtime as soon as
// the library is loaded, and out of it (their factories and methods are code
// of this library) before it goes.
//
// A static object rather than constructor/destructor functions: its
// destructor is registered after the runtime's class table exists, so it runs
// before that table is destroyed, both at dlclose and at process exit (a
// library still loaded at exit is finalised only after every static of the
// program). The bundle's process-wide state (WizardState) is made later, on
// first use, so it is released first, while the classes are still there.
#include "settings/CodeItemsTVC.h"
#include "settings/CodesViewController.h"
#include "settings/NewCommandVC.h"
#include "settings/QuorvelPrefBundleListController.h"
#include "settings/SelectFieldsVC.h"

namespace {

struct ClassRegistration {
    ClassRegistration()
    {
        quorvel::QuorvelPrefBundleListController::runtimeClass();
        quorvel::CodesViewController::runtimeClass();
        quorvel::CodeItemsTVC::runtimeClass();
        quorvel::NewCommandVC::runtimeClass();
        quorvel::SelectFieldsVC::runtimeClass();
    }
    ~ClassRegistration()
    {
        quorvel::QuorvelPrefBundleListController::unregisterRuntimeClass();
        quorvel::CodesViewController::unregisterRuntimeClass();
        quorvel::CodeItemsTVC::unregisterRuntimeClass();
        quorvel::NewCommandVC::unregisterRuntimeClass();
        quorvel::SelectFieldsVC::unregisterRuntimeClass();
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
};

const ClassRegistration registration;

} // namespace
