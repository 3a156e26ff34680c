#include "platform/EventLog.h"

#include <algorithm>
#include <atomic>

#include "platform/Error.h"

namespace plat {

namespace {
std::atomic<EventLogSink*> g_sink{nullptr};
}

EventLogSink& EventLog() {
    EventLogSink* s = g_sink.load();
    return s ? *s : RealEventLog();
}

void SetEventLog(EventLogSink* sink) { g_sink.store(sink); }

std::vector<SimEventLog::Event> SimEventLog::Events() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_events;
}

int SimEventLog::OpenSources() const {
    std::lock_guard<std::mutex> l(m_lock);
    return int(std::count_if(m_sources.begin(), m_sources.end(),
                             [](const std::u16string& s) { return !s.empty(); }));
}

HEVENTLOG SimEventLog::RegisterEventSource(std::u16string_view source) {
    std::lock_guard<std::mutex> l(m_lock);
    m_sources.emplace_back(source.empty() ? u"?" : source);
    return HEVENTLOG(m_sources.size());
}

bool SimEventLog::ReportEvent(HEVENTLOG source, uint16_t type, uint16_t category, uint32_t eventId,
                              const std::vector<std::u16string>& strings) {
    std::lock_guard<std::mutex> l(m_lock);
    if (source == 0 || source > m_sources.size() || m_sources[source - 1].empty()) {
        SetLastError(22);
        return false;
    }
    m_events.push_back(Event{m_sources[source - 1], type, category, eventId, strings});
    return true;
}

bool SimEventLog::DeregisterEventSource(HEVENTLOG source) {
    std::lock_guard<std::mutex> l(m_lock);
    if (source == 0 || source > m_sources.size() || m_sources[source - 1].empty()) {
        SetLastError(22);
        return false;
    }
    m_sources[source - 1].clear();
    return true;
}

}  // namespace plat
