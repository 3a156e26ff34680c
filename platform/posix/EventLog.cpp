#include "platform/EventLog.h"

#include <syslog.h>

#include <mutex>

#include "platform/Error.h"
#include "platform/Text.h"

namespace plat {

namespace {

// openlog keeps the name it is given, so the name lives here while the
// source is registered; the system log has one name per process.
class SystemLog : public EventLogSink {
public:
    HEVENTLOG RegisterEventSource(std::u16string_view source) override {
        std::lock_guard<std::mutex> l(m_lock);
        m_ident = Utf16ToUtf8(source);
        ::openlog(m_ident.c_str(), LOG_PID | LOG_NDELAY, LOG_DAEMON);
        m_open = true;
        return ++m_handle;
    }

    bool ReportEvent(HEVENTLOG source, uint16_t type, uint16_t, uint32_t,
                     const std::vector<std::u16string>& strings) override {
        std::lock_guard<std::mutex> l(m_lock);
        if (!m_open || source != m_handle) {
            SetLastError(22);
            return false;
        }
        int priority = type == EVENTLOG_ERROR_TYPE     ? LOG_ERR
                       : type == EVENTLOG_WARNING_TYPE ? LOG_WARNING
                                                       : LOG_INFO;
        std::string text;
        for (const auto& s : strings) {
            if (!text.empty()) text += ' ';
            text += Utf16ToUtf8(s);
        }
        ::syslog(priority, "%s", text.c_str());
        return true;
    }

    bool DeregisterEventSource(HEVENTLOG source) override {
        std::lock_guard<std::mutex> l(m_lock);
        if (!m_open || source != m_handle) {
            SetLastError(22);
            return false;
        }
        ::closelog();
        m_open = false;
        return true;
    }

private:
    std::mutex m_lock;
    std::string m_ident;
    HEVENTLOG m_handle = 0;
    bool m_open = false;
};

}  // namespace

EventLogSink& RealEventLog() {
    static SystemLog log;
    return log;
}

}  // namespace plat
