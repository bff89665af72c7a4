#pragma once
#include <QString>
#include <functional>
#include <type_traits>
#include <utility>

// Where a class without a window shows the messages its user reads: the window
// that owns the class sets it to its message box, a test to a list. Unset, a
// message goes nowhere.
class MessageSink {
public:
    using Show = std::function<void(const QString&)>;

    MessageSink() = default;
    // Any callable that takes the message's text.
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, MessageSink>>>
    MessageSink(F&& show) : show(std::forward<F>(show))
    {
    }

    void operator()(const QString& text) const
    {
        if (show)
            show(text);
    }

private:
    Show show;
};
