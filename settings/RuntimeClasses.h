// How the bundle's classes join the runtime: each class lists its selectors
// (trampolines into its C++ methods) and is registered by name when the
// bundle loads, so the Settings application can create the principal class
// by name and target-action can reach the screens' methods.
//
//   registerBundleClass("CodesViewController", UIViewController::runtimeClass(),
//                       [] { return std::make_shared<CodesViewController>(); },
//                       {{"openNewItemVC", selector<CodesViewController, &CodesViewController::openNewItemVC>()}});
//
// Registration is idempotent and overwrites what an earlier copy of the
// bundle left; withdrawing clears the factory and the selectors, whose code
// lives in this library, before it is unloaded.
#pragma once

#include "platform/runtime/Runtime.h"

#include <vector>

namespace quorvel {

struct BundleSelector {
    rt::SEL name;
    rt::IMP imp;
};

template <class C, void (C::*Method)()>
void sendToBundleObject(rt::Object* self, rt::SEL)
{
    if (C* object = dynamic_cast<C*>(self))
        (object->*Method)();
}

template <class C, void (C::*Method)()>
rt::IMP selector()
{
    return rt::IMP::of(&sendToBundleObject<C, Method>);
}

rt::Class* registerBundleClass(const char* name, rt::Class* superclass, rt::Class::Factory factory,
                               const std::vector<BundleSelector>& selectors);
void withdrawBundleClass(const char* name, const std::vector<BundleSelector>& selectors);

} // namespace quorvel
