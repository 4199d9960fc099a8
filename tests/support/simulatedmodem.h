#pragma once

#include "fakeseriallink.h"
#include "virtualtimersource.h"

#include "modemmodel.h"

#include <QStringList>

inline QStringList qt(const std::vector<std::string> &lines)
{
    QStringList out;
    for (const std::string &line : lines)
        out.append(QString::fromStdString(line));
    return out;
}

// The model modem at the far end of the fake link, in virtual time: what is
// written reaches it at once, and what it says arrives when it says it.
class SimulatedModem
{
public:
    SimulatedModem(FakeSerialLink &link, VirtualTimerSource &clock, ModemSettings settings = {},
                   ModemFlash flash = {})
        : model(std::move(settings), std::move(flash)), m_link(link), m_clock(clock),
          m_timer(clock.createTimer())
    {
        m_timer->timeout = [this] { step(); };
        link.farEnd = [this](const QByteArray &bytes) {
            model.receive(m_clock.now(), bytes.toStdString());
            step();
        };
    }
    ~SimulatedModem() { m_link.farEnd = nullptr; }

    // Everything the model recorded so far, its final state last.
    ModemRecord record()
    {
        m_record += model.takeRecord();
        return parseRecord(m_record + model.finalState());
    }

    ModemModel model;

private:
    void step()
    {
        model.advanceTo(m_clock.now());
        m_link.receive(QByteArray::fromStdString(model.takeOutput()));
        if (const std::optional<std::int64_t> next = model.nextEvent())
            m_timer->start(*next - m_clock.now());
    }

    FakeSerialLink &m_link;
    VirtualTimerSource &m_clock;
    std::unique_ptr<Timer> m_timer;
    std::string m_record;
};
