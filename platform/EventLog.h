// The system's event log as RegisterEventSource, ReportEvent and
// DeregisterEventSource give it; here the system log.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

using HEVENTLOG = uintptr_t;  // 0: no source

constexpr uint16_t EVENTLOG_ERROR_TYPE = 0x0001;
constexpr uint16_t EVENTLOG_WARNING_TYPE = 0x0002;
constexpr uint16_t EVENTLOG_INFORMATION_TYPE = 0x0004;

class EventLogSink {
public:
    virtual ~EventLogSink() = default;
    virtual HEVENTLOG RegisterEventSource(std::u16string_view source) = 0;
    virtual bool ReportEvent(HEVENTLOG source, uint16_t type, uint16_t category, uint32_t eventId,
                             const std::vector<std::u16string>& strings) = 0;
    virtual bool DeregisterEventSource(HEVENTLOG source) = 0;
};

EventLogSink& RealEventLog();
// The event log the program uses; SetEventLog(nullptr) restores the real one.
EventLogSink& EventLog();
void SetEventLog(EventLogSink* sink);

// An event log that keeps what it is told, for tests.
class SimEventLog : public EventLogSink {
public:
    struct Event {
        std::u16string source;
        uint16_t type = 0;
        uint16_t category = 0;
        uint32_t eventId = 0;
        std::vector<std::u16string> strings;
    };

    std::vector<Event> Events() const;
    int OpenSources() const;  // registered and not yet deregistered

    HEVENTLOG RegisterEventSource(std::u16string_view source) override;
    bool ReportEvent(HEVENTLOG source, uint16_t type, uint16_t category, uint32_t eventId,
                     const std::vector<std::u16string>& strings) override;
    bool DeregisterEventSource(HEVENTLOG source) override;

private:
    mutable std::mutex m_lock;
    std::vector<std::u16string> m_sources;  // by handle - 1; empty once deregistered
    std::vector<Event> m_events;
};

}  // namespace plat
