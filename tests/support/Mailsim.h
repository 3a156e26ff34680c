// mailsim (tools/mailsim) as a child process of a test: started with its
// options, its ports read from the JSON line it prints, commanded through its
// standard input, stopped when the object goes. A small JSON reader comes with
// it for the start line and the recorded requests.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern char** environ;

namespace qntest {

// A parsed JSON value; texts stay UTF-8.
struct JsonNode {
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonNode> items;
    std::vector<std::pair<std::string, JsonNode>> members;

    const JsonNode& operator[](std::string_view key) const {
        for (const auto& m : members)
            if (m.first == key) return m.second;
        return Null();
    }
    const JsonNode& operator[](size_t i) const { return i < items.size() ? items[i] : Null(); }
    bool Has(std::string_view key) const {
        for (const auto& m : members)
            if (m.first == key) return true;
        return false;
    }
    long long Int() const { return static_cast<long long>(number); }
    static const JsonNode& Null() {
        static const JsonNode null;
        return null;
    }
};

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : m_text(text) {}
    bool Parse(JsonNode& out) {
        if (!Value(out)) return false;
        Blank();
        return m_pos == m_text.size();
    }

private:
    void Blank() {
        while (m_pos < m_text.size() &&
               std::string_view(" \t\r\n").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
    }
    bool Eat(char c) {
        Blank();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool Word(std::string_view w) {
        if (m_text.substr(m_pos, w.size()) != w) return false;
        m_pos += w.size();
        return true;
    }
    static void PutUtf8(std::string& s, uint32_t c) {
        if (c < 0x80) {
            s += char(c);
        } else if (c < 0x800) {
            s += char(0xC0 | (c >> 6));
            s += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += char(0xE0 | (c >> 12));
            s += char(0x80 | ((c >> 6) & 0x3F));
            s += char(0x80 | (c & 0x3F));
        } else {
            s += char(0xF0 | (c >> 18));
            s += char(0x80 | ((c >> 12) & 0x3F));
            s += char(0x80 | ((c >> 6) & 0x3F));
            s += char(0x80 | (c & 0x3F));
        }
    }
    bool Hex4(uint32_t& v) {
        if (m_pos + 4 > m_text.size()) return false;
        v = uint32_t(std::strtoul(std::string(m_text.substr(m_pos, 4)).c_str(), nullptr, 16));
        m_pos += 4;
        return true;
    }
    bool String(std::string& s) {
        if (!Eat('"')) return false;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"') return true;
            if (c != '\\') {
                s += c;
                continue;
            }
            if (m_pos >= m_text.size()) return false;
            char e = m_text[m_pos++];
            switch (e) {
                case 'n':
                    s += '\n';
                    break;
                case 'r':
                    s += '\r';
                    break;
                case 't':
                    s += '\t';
                    break;
                case 'b':
                    s += '\b';
                    break;
                case 'f':
                    s += '\f';
                    break;
                case 'u': {
                    uint32_t c1;
                    if (!Hex4(c1)) return false;
                    if (c1 >= 0xD800 && c1 < 0xDC00 && Word("\\u")) {
                        uint32_t c2;
                        if (!Hex4(c2)) return false;
                        c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                    }
                    PutUtf8(s, c1);
                    break;
                }
                default:
                    s += e;
            }
        }
        return false;
    }
    bool Value(JsonNode& v) {
        Blank();
        if (m_pos >= m_text.size()) return false;
        char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            v.kind = JsonNode::kObject;
            if (Eat('}')) return true;
            do {
                std::pair<std::string, JsonNode> m;
                if (!String(m.first) || !Eat(':') || !Value(m.second)) return false;
                v.members.push_back(std::move(m));
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            ++m_pos;
            v.kind = JsonNode::kArray;
            if (Eat(']')) return true;
            do {
                JsonNode item;
                if (!Value(item)) return false;
                v.items.push_back(std::move(item));
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"') {
            v.kind = JsonNode::kString;
            return String(v.text);
        }
        if (Word("true") || Word("false")) {
            v.kind = JsonNode::kBool;
            v.boolean = m_text[m_pos - 1] == 'e' && m_text[m_pos - 2] == 'u';
            return true;
        }
        if (Word("null")) return true;
        size_t start = m_pos;
        while (m_pos < m_text.size() &&
               std::string_view("+-0123456789.eE").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
        if (start == m_pos) return false;
        v.kind = JsonNode::kNumber;
        v.number = std::strtod(std::string(m_text.substr(start, m_pos - start)).c_str(), nullptr);
        return true;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

inline bool ParseJson(std::string_view text, JsonNode& out) {
    out = JsonNode();
    return JsonParser(text).Parse(out);
}

// A JSON string literal of a text.
inline std::string JsonQuote(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            static const char* hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

class Mailsim {
public:
    // Starts mailsim with these options (see its README). Ok() tells whether it
    // printed its ports.
    explicit Mailsim(const std::vector<std::string>& options = {}) {
        // A mailsim that died must fail the test, not end it by a signal.
        ::signal(SIGPIPE, SIG_IGN);
        std::string script = std::string(QN_SOURCE_DIR) + "/tools/mailsim/mailsim.py";
        std::vector<std::string> args = {"python3", script};
        args.insert(args.end(), options.begin(), options.end());
        // Its certificates are made once per build folder and reused.
        if (std::find(options.begin(), options.end(), "--cert-dir") == options.end()) {
            args.push_back("--cert-dir");
            args.push_back(std::string(QN_BINARY_DIR) + "/mailsim-test-certs");
        }
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0) return;
        if (::pipe2(out, O_CLOEXEC) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        pid_t pid = -1;
        int r = ::posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
        if (r != 0) return;
        m_pid = pid;
        std::string line;
        if (ReadLine(line)) ParseJson(line, m_start);
    }

    ~Mailsim() {
        if (m_in >= 0) ::close(m_in);  // mailsim ends when its input closes
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            // A stuck emulator must not hang the test program: after five
            // seconds it is killed.
            int status;
            for (int waited = 0; waited < 500; ++waited) {
                pid_t r = ::waitpid(m_pid, &status, WNOHANG);
                if (r == m_pid || (r < 0 && errno != EINTR)) {
                    m_pid = 0;
                    break;
                }
                ::usleep(10000);
            }
            if (m_pid > 0) {
                ::kill(m_pid, SIGKILL);
                while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
                }
            }
        }
        if (m_out >= 0) ::close(m_out);
    }

    Mailsim(const Mailsim&) = delete;
    Mailsim& operator=(const Mailsim&) = delete;

    bool Ok() const { return m_start.Has("http"); }
    uint16_t Port(std::string_view listener) const {
        return static_cast<uint16_t>(m_start[listener].Int());
    }
    const std::string& CaFile() const { return m_start["cafile"].text; }
    std::string Host() const { return m_start["host"].text; }

    // One control command (a JSON object without its braces besides "cmd"),
    // answered by one line; false when it was refused or no answer came.
    bool Command(const std::string& members, JsonNode* answer = nullptr) {
        std::string line = "{" + members + "}\n";
        if (m_in < 0 || ::write(m_in, line.data(), line.size()) != ssize_t(line.size()))
            return false;
        std::string reply;
        JsonNode node;
        if (!ReadLine(reply) || !ParseJson(reply, node)) return false;
        bool ok = node["ok"].boolean;
        if (answer) *answer = std::move(node);
        return ok;
    }
    // Replaces the fault switches: `faults` is a JSON object ("{}" for none).
    bool SetFaults(const std::string& faults) {
        return Command("\"cmd\": \"set\", \"faults\": " + faults);
    }
    // The web requests recorded since the last call (SMTP and POP3 events left out).
    std::vector<JsonNode> WebRequests() {
        JsonNode answer;
        std::vector<JsonNode> out;
        if (!Command("\"cmd\": \"requests\", \"clear\": true", &answer)) return out;
        for (const auto& r : answer["requests"].items)
            if (r.Has("method")) out.push_back(r);
        return out;
    }

private:
    // Guards a test against a mailsim that hangs; never reached when it works.
    static constexpr int kAnswerLimitMs = 30000;

    bool ReadLine(std::string& line) {
        line.clear();
        for (;;) {
            size_t nl = m_pending.find('\n');
            if (nl != std::string::npos) {
                line = m_pending.substr(0, nl);
                m_pending.erase(0, nl + 1);
                return true;
            }
            struct pollfd p = {m_out, POLLIN, 0};
            int r = ::poll(&p, 1, kAnswerLimitMs);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            char buf[4096];
            ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            m_pending.append(buf, size_t(n));
        }
    }

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_pending;
    JsonNode m_start;
};

}  // namespace qntest
