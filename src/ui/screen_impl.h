#pragma once

#include "toolkit.h"

#include <QAbstractButton>

#include <type_traits>

namespace tiku {

namespace detail {
template <class> struct MemberOf;
template <class C, class R> struct MemberOf<R (C::*)()> { using type = C; };
} // namespace detail

template <class F> void Screen::invoke(const F& handler) {
    if constexpr (std::is_member_function_pointer_v<F>) {
        using Owner = typename detail::MemberOf<F>::type;
        (static_cast<Owner*>(this)->*handler)();
    } else {
        handler();
    }
}

template <class F> void Screen::onClick(QAbstractButton* button, F handler) {
    // clicked: a mouse click, the keyboard (space, arrows in an option group, Enter) and an
    // accessibility press all arrive here.
    connect(button, &QAbstractButton::clicked, this,
            [this, handler] { Toolkit::instance().dispatch([&] { invoke(handler); }); });
}

template <class F> void Screen::onMouseMove(Label* label, F handler) {
    connect(label, &Label::mouseMoved, this,
            [this, handler] { Toolkit::instance().dispatch([&] { invoke(handler); }); });
}

} // namespace tiku
