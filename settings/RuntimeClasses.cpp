#include "settings/RuntimeClasses.h"

namespace quorvel {

rt::Class* registerBundleClass(const char* name, rt::Class* superclass, rt::Class::Factory factory,
                               const std::vector<BundleSelector>& selectors)
{
    rt::Class* cls = rt::registerClass(name, superclass);
    cls->setFactory(std::move(factory));
    for (const BundleSelector& s : selectors)
        cls->setMethod(s.name, s.imp);
    return cls;
}

void withdrawBundleClass(const char* name, const std::vector<BundleSelector>& selectors)
{
    rt::Class* cls = rt::objc_getClass(name);
    if (!cls)
        return;
    cls->setFactory({});
    for (const BundleSelector& s : selectors)
        cls->setMethod(s.name, rt::IMP{});
}

} // namespace quorvel
