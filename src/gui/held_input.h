#pragma once

#include <QObject>

#include <functional>

namespace pg {

// While it lives, the application's windows take no keys, clicks or wheel
// turns, except Esc, which calls onEscape: a wait that must not be disturbed
// but may be called off (the page retrieval of "6) &Extract file URLs").
// Windows still repaint and can be closed.
class HeldInput : public QObject {
public:
    explicit HeldInput(std::function<void()> onEscape);
    ~HeldInput() override;
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> onEscape_;
};

}  // namespace pg
