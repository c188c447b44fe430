#include "platform/runtime/Runtime.h"

#include "platform/foundation/Log.h"

#include <string_view>

namespace rt {

namespace {

using Registry = std::map<std::string, std::unique_ptr<Class>, std::less<>>;

Registry& registry()
{
    static Registry classes;
    return classes;
}

} // namespace

bool Object::isKindOfClass(const char* className) const
{
    if (!className)
        return false;
    for (const Class* c = m_isa; c; c = c->superclass()) {
        if (c->name() == className)
            return true;
    }
    return false;
}

void IMP::reportBadCall(SEL cmd)
{
    QLog("platform: runtime: call of %s through the wrong signature, returning a default value",
         cmd ? cmd : "(null selector)");
    // A mismatch is a programming error: stop at it in debug builds, survive it in release.
    assert(!"rt::IMP called with a signature other than its own");
}

Class::Class(std::string name, Class* superclass, Factory factory)
    : m_name(std::move(name))
    , m_super(superclass)
    , m_factory(std::move(factory))
{
}

IMP Class::lookup(SEL sel) const
{
    if (!sel)
        return {};
    for (const Class* c = this; c; c = c->m_super) {
        auto found = c->m_methods.find(std::string_view(sel));
        if (found != c->m_methods.end())
            return found->second;
    }
    return {};
}

IMP Class::ownMethod(SEL sel) const
{
    if (!sel)
        return {};
    auto found = m_methods.find(std::string_view(sel));
    return found == m_methods.end() ? IMP{} : found->second;
}

id Class::createInstance()
{
    if (!m_factory)
        return nullptr;
    id instance = m_factory();
    if (instance)
        instance->setIsa(this);
    return instance;
}

Class* registerClass(const std::string& name, Class* superclass, Class::Factory factory)
{
    Registry& classes = registry();
    auto found = classes.find(name);
    if (found != classes.end())
        return found->second.get();
    auto cls = std::make_unique<Class>(name, superclass, std::move(factory));
    Class* raw = cls.get();
    classes.emplace(name, std::move(cls));
    return raw;
}

Class* objc_getClass(const char* name)
{
    if (!name)
        return nullptr;
    Registry& classes = registry();
    auto found = classes.find(std::string_view(name));
    return found == classes.end() ? nullptr : found->second.get();
}

void resetRuntimeForTesting()
{
    registry().clear();
}

bool class_addMethod(Class* cls, SEL sel, IMP imp, const char* types)
{
    // The type string only describes the signature, which the IMP already carries.
    (void)types;
    if (!cls || !sel || !imp || cls->ownMethod(sel))
        return false;
    cls->setMethod(sel, imp);
    return true;
}

void MSHookMessageEx(Class* cls, SEL sel, IMP replacement, IMP* slot)
{
    if (slot)
        *slot = IMP{};
    if (!cls || !sel || !replacement)
        return;
    // What answered before may live in a superclass: the replacement goes into
    // this class's own table and the slot keeps the inherited implementation.
    IMP previous = cls->lookup(sel);
    if (!previous)
        return;
    cls->setMethod(sel, replacement);
    if (slot)
        *slot = previous;
}

} // namespace rt
