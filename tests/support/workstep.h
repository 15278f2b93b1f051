#pragma once
// AtWorkStep: runs a test's action once, from the event loop runs of long
// work, when the progress window shows a caption starting with the given
// text and the work's loop has made its first step (a close posted then
// meets the work in the middle). OnEvent: runs a test's action whenever an
// object gets an event of a type (a window's close or hide).

#include "core/progress.h"

#include <QEvent>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class AtWorkStep : public QObject
{
public:
    AtWorkStep(const QString &caption, std::function<void()> then)
        : m_caption(caption)
        , m_then(std::move(then))
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            if (!IndicatorShown() || !Indicator().caption.startsWith(m_caption))
                return;
            // The window shows at 0 (before that it may show the last work's
            // position); the work's loop makes the steps.
            if (Indicator().position == 0)
                m_atStart = true;
            if (!m_atStart || Indicator().position < 1)
                return;
            poll->stop();
            fired = true;
            m_then();
        });
        poll->start(0); // at every pass of the event loop
    }
    bool fired = false;

private:
    QString m_caption;
    std::function<void()> m_then;
    bool m_atStart = false;
};

// Runs `then` whenever `target` gets an event of the type.
class OnEvent : public QObject
{
public:
    OnEvent(QObject *target, QEvent::Type type, std::function<void()> then)
        : m_type(type)
        , m_then(std::move(then))
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            m_then();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_then;
};
