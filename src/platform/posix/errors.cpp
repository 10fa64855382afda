// Windows Sockets error numbers for POSIX errors, the layer's last error, and
// the compiled-in error text table that stands in for the string resource.
#include <cerrno>
#include <cstring>
#include <netdb.h>

#include "platform/posix/layer.h"

namespace {

// errno -> Windows Sockets number. A Windows socket error is 10000 + the BSD
// errno, but Linux numbers its errno values differently, so each is named.
// One row a line, aligned as a table.
// clang-format off
#define ERRNO_MAP(X)              \
    X(EINTR, 10004)               \
    X(EBADF, 10009)               \
    X(EACCES, 10013)              \
    X(EPERM, 10013)               \
    X(EFAULT, 10014)              \
    X(EINVAL, 10022)              \
    X(EMFILE, 10024)              \
    X(ENFILE, 10024)              \
    X(EWOULDBLOCK, 10035)         \
    X(EINPROGRESS, 10036)         \
    X(EALREADY, 10037)            \
    X(ENOTSOCK, 10038)            \
    X(EDESTADDRREQ, 10039)        \
    X(EMSGSIZE, 10040)            \
    X(EPROTOTYPE, 10041)          \
    X(ENOPROTOOPT, 10042)         \
    X(EPROTONOSUPPORT, 10043)     \
    X(ESOCKTNOSUPPORT, 10044)     \
    X(EOPNOTSUPP, 10045)          \
    X(EPFNOSUPPORT, 10046)        \
    X(EAFNOSUPPORT, 10047)        \
    X(EADDRINUSE, 10048)          \
    X(EADDRNOTAVAIL, 10049)       \
    X(ENETDOWN, 10050)            \
    X(ENETUNREACH, 10051)         \
    X(ENETRESET, 10052)           \
    X(ECONNABORTED, 10053)        \
    X(ECONNRESET, 10054)          \
    X(EPIPE, 10054)               \
    X(ENOBUFS, 10055)             \
    X(ENOMEM, 10055)              \
    X(EISCONN, 10056)             \
    X(ENOTCONN, 10057)            \
    X(ESHUTDOWN, 10058)           \
    X(ETOOMANYREFS, 10059)        \
    X(ETIMEDOUT, 10060)           \
    X(ECONNREFUSED, 10061)        \
    X(ELOOP, 10062)               \
    X(ENAMETOOLONG, 10063)        \
    X(EHOSTDOWN, 10064)           \
    X(EHOSTUNREACH, 10065)        \
    X(ENOTEMPTY, 10066)           \
    X(EUSERS, 10068)              \
    X(EDQUOT, 10069)              \
    X(ESTALE, 10070)              \
    X(EREMOTE, 10071)
// clang-format on

struct ErrnoRow {
    int errno_value;
    int wsa_number;
};

const ErrnoRow errno_rows[] = {
#define ROW(name, number) {name, number},
    ERRNO_MAP(ROW)
#undef ROW
};

struct TextRow {
    int number;
    const char *text;
};

const TextRow text_rows[] = {
#define ERROR_TEXT(number, text) {number, text},
#include "error_texts.def"
#undef ERROR_TEXT
};

int last_error = 0;

}  // namespace

int wsa_from_errno(int errno_value) {
    for (const ErrnoRow &row : errno_rows)
        if (row.errno_value == errno_value) return row.wsa_number;
    return WSASYSCALLFAILURE;
}

int wsa_from_resolver(int gai_result, int errno_value) {
    switch (gai_result) {
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return WSANO_DATA;
#endif
    case EAI_MEMORY: return wsa_from_errno(ENOMEM);
    case EAI_SYSTEM: return errno_value != 0 ? wsa_from_errno(errno_value) : WSANO_RECOVERY;
    default: return WSANO_RECOVERY;
    }
}

void set_last_error(int number) { last_error = number; }

int WSAGetLastError(void) { return last_error; }

void WSASetLastError(int error) { last_error = error; }

HINSTANCE GetModuleHandleA(const char *) { return nullptr; }

// Copies the text for id into buffer, as the string resource does: at most
// size - 1 bytes and a terminator; returns the bytes copied, 0 when there is
// no text for id.
int LoadStringA(HINSTANCE, unsigned id, char *buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    for (const TextRow &row : text_rows) {
        if (row.number >= 0 && static_cast<unsigned>(row.number) == id) {
            size_t length = strlen(row.text);
            if (length > static_cast<size_t>(size - 1)) length = static_cast<size_t>(size - 1);
            memcpy(buffer, row.text, length);
            buffer[length] = '\0';
            return static_cast<int>(length);
        }
    }
    buffer[0] = '\0';
    return 0;
}
