// A small object runtime in the platform's shape: classes registered by name,
// per-class method tables keyed by selector, message sending through them, and
// method replacement that keeps the previous implementation.
//
//   Class* cls = objc_getClass("SBUSSDAlertDisplay");            // nullptr if absent
//   static IMP orig;
//   MSHookMessageEx(cls, "_okayClicked", IMP::of(&myOkay), &orig);
//   void myOkay(rt::Object* self, SEL cmd) { orig.call<void>(self, cmd); QLog(...); }
//   rt::msgSend<void>(alert, "_okayClicked");
//
// An IMP is a typed function pointer R(*)(Object* self, SEL cmd, Args...). The
// type is recorded, and every call checks it: a call through the wrong
// signature logs and returns a default value instead of jumping into the wrong
// frame (and asserts in debug builds). A message to a null receiver, or one no
// class in the chain answers, returns a default value, as messages to nil do.
// Single-threaded, like the rest of the platform. Classes live until the
// process ends (or resetRuntimeForTesting).
#pragma once

#include <cassert>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>

namespace rt {

using SEL = const char*;
class Class;

class Object : public std::enable_shared_from_this<Object> {
public:
    explicit Object(Class* cls = nullptr) : m_isa(cls) {}
    virtual ~Object() = default;
    Class* isa() const { return m_isa; }
    void setIsa(Class* cls) { m_isa = cls; }
    bool isKindOfClass(const char* className) const;
    // Instance variables that other code reaches by name (object_getIvar).
    virtual std::shared_ptr<Object> ivar(const std::string& name) const { (void)name; return nullptr; }
private:
    Class* m_isa;
};
using id = std::shared_ptr<Object>;

// Type-erased implementation pointer with its signature.
class IMP {
public:
    IMP() = default;
    template <class R, class... A>
    static IMP of(R (*fn)(Object*, SEL, A...))
    {
        IMP imp;
        imp.m_fn = reinterpret_cast<void (*)()>(fn);
        imp.m_sig = std::type_index(typeid(R (*)(Object*, SEL, A...)));
        return imp;
    }
    explicit operator bool() const { return m_fn != nullptr; }
    bool operator==(const IMP& o) const { return m_fn == o.m_fn; }

    template <class R, class... A>
    bool accepts() const { return m_fn && m_sig == std::type_index(typeid(R (*)(Object*, SEL, A...))); }

    // Calls with exactly these types (R and A... as given, no conversions).
    template <class R = void, class... A>
    R call(Object* self, SEL cmd, A... args) const
    {
        if (!accepts<R, A...>()) {
            reportBadCall(cmd);
            if constexpr (!std::is_void_v<R>) return R{};
            else return;
        }
        auto fn = reinterpret_cast<R (*)(Object*, SEL, A...)>(m_fn);
        return fn(self, cmd, args...);
    }

private:
    static void reportBadCall(SEL cmd);
    void (*m_fn)() = nullptr;
    std::type_index m_sig = std::type_index(typeid(void));
};

class Class {
public:
    using Factory = std::function<id()>;
    Class(std::string name, Class* superclass, Factory factory);

    const std::string& name() const { return m_name; }
    Class* superclass() const { return m_super; }

    // Looks the selector up along the superclass chain; empty IMP when none answers.
    IMP lookup(SEL sel) const;
    // This class's own table only.
    IMP ownMethod(SEL sel) const;
    void setMethod(SEL sel, IMP imp) { m_methods[sel] = imp; }
    // Replaces how instances are built; an empty factory makes createInstance
    // return nullptr. A loadable module that registered the class re-arms it when
    // loaded again and disarms it before it is unloaded, since the factory's code
    // lives in the module.
    void setFactory(Factory factory) { m_factory = std::move(factory); }
    bool respondsTo(SEL sel) const { return static_cast<bool>(lookup(sel)); }

    // A new instance (its isa set to this class); nullptr when the class has no factory.
    id createInstance();

private:
    std::string m_name;
    Class* m_super;
    Factory m_factory;
    std::map<std::string, IMP, std::less<>> m_methods;
};

// Registers (or returns the existing) class. The factory builds the C++ object
// that backs an instance.
Class* registerClass(const std::string& name, Class* superclass = nullptr, Class::Factory factory = {});
Class* objc_getClass(const char* name);
// Forgets every class (tests that need a fresh runtime).
void resetRuntimeForTesting();

// Adds a method only where the class does not define one itself; false otherwise.
bool class_addMethod(Class* cls, SEL sel, IMP imp, const char* types);

// Replaces the class's method for `sel`, keeping what answered before in *slot
// (which may come from a superclass). Missing class or selector: nothing is
// installed and *slot is left empty.
void MSHookMessageEx(Class* cls, SEL sel, IMP replacement, IMP* slot);

template <class R = void, class... A>
R msgSend(Object* self, SEL sel, A... args)
{
    if (!self || !self->isa()) {
        if constexpr (!std::is_void_v<R>) return R{};
        else return;
    }
    IMP imp = self->isa()->lookup(sel);
    if (!imp) {
        if constexpr (!std::is_void_v<R>) return R{};
        else return;
    }
    return imp.template call<R, A...>(self, sel, args...);
}

template <class R = void, class... A>
R msgSend(const id& self, SEL sel, A... args)
{
    return msgSend<R, A...>(self.get(), sel, args...);
}

} // namespace rt
