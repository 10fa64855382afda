#pragma once
// Whole transcripts of the program's standard output, compared byte for byte.
// Only what varies from run to run is turned into placeholders first: the
// date and time, the seconds of a summary, and the numbers of a rate line.
// Progress lines are taken out whole (their count varies) and kept for
// checks of their own. A rate, date or seconds field that is not in exactly
// the expected layout is left alone, so the comparison shows it.
#include <string>
#include <vector>

// One rate line's five numbers as printed.
struct Rate {
    std::string text;  // the printed form, from "  Bps:" on
    double bps, kbps, mbps, kbits, mbits;
};

// One progress line: "\r" + 79 blanks + "\r<count><unit>-->" + rate.
struct Progress {
    long long count;
    std::string unit;  // "KB" or "MB"
    Rate rate;
};

struct Transcript {
    std::string text;                    // with placeholders
    std::vector<Progress> progress;      // in order of appearance
    std::vector<Rate> rates;             // the other rate lines (Peak, Avg), in order
    std::vector<double> seconds;         // of each summary
    std::vector<std::string> dates;      // of each header, as printed
};

Transcript normalize(const std::string &raw);

// Placeholders in expected texts.
extern const char *const date_placeholder;     // same width as the date
extern const char *const seconds_placeholder;
extern const char *const rate_placeholder;

// Expected pieces of a transcript, in the program's own words.
std::string usage_screen(const std::string &name);
std::string server_start(int port);
std::string waiting_line(int count, int port);
std::string client_start(int port);
std::string connecting_line(void);  // to 127.0.0.1
std::string transfer_header(const std::string &side_line);
std::string server_header(void);    // a client from 127.0.0.1
std::string client_header(int megabytes);
std::string server_end(void);
std::string client_end(void);
std::string summary(long long megabytes);
std::string error_report(const std::string &text, int number, const std::string &table_text);
std::string completion(void);

// A whole successful server run that answered one peer from 127.0.0.1 for
// each entry of megabytes, in turn; the entry is what that peer moved.
std::string whole_server(int port, const std::vector<long long> &megabytes);
// A whole successful client run.
std::string whole_client(int port, int megabytes);

// GoogleTest checks of what the placeholders hid.
// The five units of every rate line agree with each other.
void expect_rates_consistent(const Transcript &t);
// Progress labels count up, KB before MB, never past total_bytes.
void expect_progress_sane(const Transcript &t, long long total_bytes);
// The Peak line (the first summary rate) equals the largest progress rate,
// or shows zeros when there was no progress line.
void expect_peak_is_largest(const Transcript &t);
// The average agrees with total_bytes over the printed seconds.
void expect_average(const Transcript &t, long long total_bytes);
// Every date is a real date within minutes of now.
void expect_dates_now(const Transcript &t);
// All of the above for a transcript with one summary.
void expect_numbers_sane(const Transcript &t, long long total_bytes);
