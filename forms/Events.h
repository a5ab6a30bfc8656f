#pragma once
// Method-pointer events.
//
// An event is a TEvent<Args...>: an object pointer bound to one of its member functions
// (the library's "method pointer"). It is empty by default, compares with nullptr and
// with another event (same object and same member function), is copied and assigned
// freely, and calling an empty event does nothing:
//
//     bitmap->OnChange = MakeEvent(this, &GsButtonAppearance::BitmapChanged);
//     if (OnClick) OnClick(this);      // or simply OnClick(this)
//     button->OnClick = nullptr;
//
// The member function may belong to a base class of the object; const member functions
// bind too. Lambdas and free functions do not: the event is always a method of an object.
// The event does not own or watch the object; whoever binds it keeps the object alive.
#include <cstddef>
#include <cstring>
#include <type_traits>

template <typename... Args>
class TEvent {
public:
    TEvent() noexcept = default;
    TEvent(std::nullptr_t) noexcept {}

    template <class Obj, class C>
    TEvent(Obj* object, void (C::*method)(Args...))
    {
        Bind<C, void (C::*)(Args...)>(static_cast<C*>(object), method);
    }

    template <class Obj, class C>
    TEvent(Obj* object, void (C::*method)(Args...) const)
    {
        Bind<C, void (C::*)(Args...) const>(static_cast<C*>(object), method);
    }

    explicit operator bool() const noexcept { return m_invoke != nullptr; }

    void operator()(Args... args) const
    {
        if (m_invoke)
            m_invoke(m_object, m_method, args...);
    }

    // The bound object, or null.
    void* Object() const noexcept { return m_object; }

    bool operator==(const TEvent& other) const noexcept
    {
        return m_object == other.m_object && m_invoke == other.m_invoke &&
               std::memcmp(m_method, other.m_method, sizeof(m_method)) == 0;
    }
    bool operator!=(const TEvent& other) const noexcept { return !(*this == other); }
    bool operator==(std::nullptr_t) const noexcept { return m_invoke == nullptr; }
    bool operator!=(std::nullptr_t) const noexcept { return m_invoke != nullptr; }
    friend bool operator==(std::nullptr_t, const TEvent& e) noexcept { return e.m_invoke == nullptr; }
    friend bool operator!=(std::nullptr_t, const TEvent& e) noexcept { return e.m_invoke != nullptr; }

private:
    using Invoker = void (*)(void*, const unsigned char*, Args...);

    template <class C, class M>
    void Bind(C* object, M method)
    {
        static_assert(sizeof(M) <= sizeof(m_method), "member function pointer too large");
        if (!object || !method)
            return;
        m_object = object;
        std::memcpy(m_method, &method, sizeof(M));
        m_invoke = &Invoke<C, M>;
    }

    template <class C, class M>
    static void Invoke(void* object, const unsigned char* stored, Args... args)
    {
        M method;
        std::memcpy(&method, stored, sizeof(M));
        (static_cast<C*>(object)->*method)(args...);
    }

    void* m_object = nullptr;
    Invoker m_invoke = nullptr;
    alignas(void*) unsigned char m_method[2 * sizeof(void*)] = {};
};

// Binds object and member function into an event: MakeEvent(this, &TMyForm::ButtonClick).
template <class Obj, class C, class... Args>
TEvent<Args...> MakeEvent(Obj* object, void (C::*method)(Args...))
{
    return TEvent<Args...>(object, method);
}

template <class Obj, class C, class... Args>
TEvent<Args...> MakeEvent(Obj* object, void (C::*method)(Args...) const)
{
    return TEvent<Args...>(object, method);
}
