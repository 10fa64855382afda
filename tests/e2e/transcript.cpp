#include "transcript.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <regex>

const char *const date_placeholder = "MM/DD/YYYY hh:mm:ss";
const char *const seconds_placeholder = "S.SS";
const char *const rate_placeholder = "<rate>";

namespace {

const std::string dashes(79, '-');
const std::string wipe = "\r" + std::string(79, ' ');
const std::string cancel_hint = "\n\n" + std::string(55, ' ') + "(Press CTRL+C to cancel)";

// A number right-aligned in width places with the given decimals: blanks and
// digits fill exactly width places, or more digits and no blank. A value that
// is not finite is accepted in any width; it has no digits to check.
std::string field(int width, int decimals) {
    std::string fraction = decimals > 0 ? "\\.\\d{" + std::to_string(decimals) + "}" : "";
    int shortest = 1 + (decimals > 0 ? decimals + 1 : 0);
    std::string alternatives;
    for (int length = shortest; length < width; ++length) {
        alternatives += " {" + std::to_string(width - length) + "}\\d{" + std::to_string(length - (shortest - 1)) + "}" +
                        fraction + "|";
    }
    int widest = std::max(1, width - (shortest - 1));
    alternatives += "\\d{" + std::to_string(widest) + ",}" + fraction + "| *-?(?:nan|inf)";
    return "(" + alternatives + ")";
}

const std::string rate_pattern = "  Bps: " + field(7, 0) + "   KBps: " + field(4, 0) + "   MBps: " + field(4, 1) +
                                 "   Kbps: " + field(5, 0) + "   Mbps: " + field(5, 2);

Rate rate_from(const std::smatch &m, size_t first) {
    Rate r;
    r.text = m.str(0).substr(m.position(first) - m.position(0) - std::string("  Bps: ").size());
    double *values[] = {&r.bps, &r.kbps, &r.mbps, &r.kbits, &r.mbits};
    for (size_t i = 0; i < 5; ++i) *values[i] = strtod(m.str(first + i).c_str(), nullptr);
    return r;
}

// Replaces every match of pattern by what replace returns for it.
template <typename Replace>
std::string replace_all(const std::string &text, const std::regex &pattern, Replace replace) {
    std::string out;
    auto last = text.cbegin();
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
        out.append(last, text.cbegin() + it->position(0));
        out += replace(*it);
        last = text.cbegin() + it->position(0) + it->length(0);
    }
    out.append(last, text.cend());
    return out;
}

bool near(double printed, double exact, double half_step) {
    return std::fabs(printed - exact) <= half_step * 1.0001 + 1e-9;
}

}  // namespace

Transcript normalize(const std::string &raw) {
    Transcript t;
    static const std::regex progress_line(wipe + "\r(\\d+)(KB|MB)-->" + rate_pattern);
    static const std::regex rate_line(rate_pattern);
    static const std::regex date("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d");
    static const std::regex seconds("(Transferred -?\\d+MB in )(\\d+\\.\\d\\d)( seconds\\.)");

    std::string text = replace_all(raw, progress_line, [&](const std::smatch &m) {
        t.progress.push_back({atoll(m.str(1).c_str()), m.str(2), rate_from(m, 3)});
        return std::string();
    });
    text = replace_all(text, rate_line, [&](const std::smatch &m) {
        t.rates.push_back(rate_from(m, 1));
        return std::string(rate_placeholder);
    });
    text = replace_all(text, date, [&](const std::smatch &m) {
        t.dates.push_back(m.str(0));
        return std::string(date_placeholder);
    });
    t.text = replace_all(text, seconds, [&](const std::smatch &m) {
        t.seconds.push_back(strtod(m.str(2).c_str(), nullptr));
        return m.str(1) + seconds_placeholder + m.str(3);
    });
    return t;
}

std::string usage_screen(const std::string &name) {
    return "\nPipemeter - version 1.30\n"
           "\nCalculates the network speed (transfer rate) between two winsock hosts.\n\n"
           "\nThe syntax of this command is:\n\n\n" +
           name +
           " /H:host|/S[:n] [/P:n] [/M:n]\n"
           "\n /H:host  : Client mode, host=name/address of a machine waiting in server mode."
           "\n /S:n     : Server mode, n=# of times to answer before exiting, default is 1."
           "\n /P:n     : n=Port number, default is 7777.  (Both client & server must match)"
           "\n /M:n     : n=Megabytes to transfer, default is 10. (Only valid in client mode)\n"
           "\nWritten by the Pipemeter developers.\n\n";
}

std::string server_start(int port) {
    return "\n\nPipemeter - Initializing SERVER mode on port " + std::to_string(port) + "...\n";
}

std::string waiting_line(int count, int port) {
    return cancel_hint + "\rWaiting for " + std::to_string(count) + " new " +
           (count == 1 ? "connection" : "connections") + " on port " + std::to_string(port) + "...";
}

std::string client_start(int port) {
    return cancel_hint + "\rInitializing CLIENT mode on port " + std::to_string(port) + "...\n";
}

std::string connecting_line(void) { return "\n\nConnecting to 127.0.0.1..."; }

std::string transfer_header(const std::string &side_line) {
    return "\r" + dashes + "\n" + std::string(60, ' ') + date_placeholder + side_line + "\n" + dashes + "\n";
}

std::string server_header(void) { return transfer_header("\rClient connected from 127.0.0.1"); }

std::string client_header(int megabytes) {
    return transfer_header("\rSending " + std::to_string(megabytes) + "MB to 127.0.0.1");
}

std::string server_end(void) { return wipe + "\rClient has disconnected.\n\n"; }

std::string client_end(void) { return wipe + "\rDisconnected from host.\n"; }

std::string summary(long long megabytes) {
    return "\nTransferred " + std::to_string(megabytes) + "MB in " + seconds_placeholder + " seconds.\n" +
           "\nResults:" + std::string(50, ' ') + "(Bps=Bytes, bps=bits)" + "\nPeak--> " + rate_placeholder +
           "\n Avg--> " + rate_placeholder + "\n" + dashes + "\n\n\n";
}

std::string error_report(const std::string &text, int number, const std::string &table_text) {
    return "\n\n" + text + ", error " + std::to_string(number) + ".\n\n" + table_text + "\n\n";
}

std::string completion(void) { return "\nThe command completed successfully.\n"; }

std::string whole_server(int port, const std::vector<long long> &megabytes) {
    std::string text = server_start(port);
    int left = static_cast<int>(megabytes.size());
    for (long long moved : megabytes)
        text += waiting_line(left--, port) + server_header() + server_end() + summary(moved);
    return text + completion();
}

std::string whole_client(int port, int megabytes) {
    return client_start(port) + connecting_line() + client_header(megabytes) + client_end() + summary(megabytes) +
           completion();
}

void expect_rates_consistent(const Transcript &t) {
    std::vector<Rate> all = t.rates;
    for (const Progress &p : t.progress) all.push_back(p.rate);
    for (const Rate &r : all) {
        if (!std::isfinite(r.bps)) continue;  // an average over no time at all
        // Bps is itself rounded, so each derived unit may be off by its own
        // half step plus the share of Bps's.
        EXPECT_TRUE(near(r.kbps, r.bps / 1024, 0.5 + 0.5 / 1024)) << r.text;
        EXPECT_TRUE(near(r.mbps, r.bps / 1048576, 0.05 + 0.5 / 1048576)) << r.text;
        EXPECT_TRUE(near(r.kbits, r.bps / 1024 * 8, 0.5 + 4.0 / 1024)) << r.text;
        EXPECT_TRUE(near(r.mbits, r.bps / 1048576 * 8, 0.005 + 4.0 / 1048576)) << r.text;
    }
}

void expect_progress_sane(const Transcript &t, long long total_bytes) {
    long long previous = 0;
    bool seen_mb = false;
    for (const Progress &p : t.progress) {
        bool mb = p.unit == "MB";
        EXPECT_TRUE(mb || !seen_mb) << "a KB label after an MB label: " << p.count << p.unit;
        EXPECT_TRUE(mb ? p.count >= 1 : p.count < 1024) << p.count << p.unit;
        seen_mb = seen_mb || mb;
        long long bytes = p.count * (mb ? 1048576LL : 1024LL);
        EXPECT_GE(bytes, previous) << "labels must count up: " << p.count << p.unit;
        EXPECT_LE(bytes, total_bytes) << p.count << p.unit;
        previous = bytes;
    }
}

void expect_peak_is_largest(const Transcript &t) {
    ASSERT_FALSE(t.rates.empty());
    const Rate &peak = t.rates[0];
    if (t.progress.empty()) {
        EXPECT_EQ(peak.text, "  Bps:       0   KBps:    0   MBps:  0.0   Kbps:     0   Mbps:  0.00");
        return;
    }
    auto largest = std::max_element(t.progress.begin(), t.progress.end(),
                                    [](const Progress &a, const Progress &b) { return a.rate.bps < b.rate.bps; });
    EXPECT_EQ(peak.text, largest->rate.text);
}

void expect_average(const Transcript &t, long long total_bytes) {
    ASSERT_EQ(t.rates.size(), 2u);
    ASSERT_EQ(t.seconds.size(), 1u);
    double average = t.rates[1].bps;
    if (total_bytes == 0) {
        EXPECT_TRUE(average == 0 || !std::isfinite(average)) << t.rates[1].text;
        return;
    }
    // Too short a run for its printed hundredths to pin the average.
    if (t.seconds[0] < 0.2) return;
    double expected = static_cast<double>(total_bytes) / t.seconds[0];
    EXPECT_NEAR(average, expected, expected * 0.06) << t.rates[1].text;
}

void expect_dates_now(const Transcript &t) {
    time_t now = time(nullptr);
    for (const std::string &d : t.dates) {
        tm when = {};
        ASSERT_EQ(sscanf(d.c_str(), "%d/%d/%d %d:%d:%d", &when.tm_mon, &when.tm_mday, &when.tm_year, &when.tm_hour,
                         &when.tm_min, &when.tm_sec),
                  6);
        EXPECT_TRUE(when.tm_mon >= 1 && when.tm_mon <= 12 && when.tm_mday >= 1 && when.tm_mday <= 31) << d;
        when.tm_mon -= 1;
        when.tm_year -= 1900;
        when.tm_isdst = -1;
        EXPECT_LT(std::fabs(difftime(mktime(&when), now)), 600.0) << "not the local time of now: " << d;
    }
}

void expect_numbers_sane(const Transcript &t, long long total_bytes) {
    expect_rates_consistent(t);
    expect_progress_sane(t, total_bytes);
    expect_peak_is_largest(t);
    expect_average(t, total_bytes);
    expect_dates_now(t);
}
