// More than 4 GiB through one connection: no 32-bit count may wrap.
#include "e2e.h"

namespace {

class Soak : public E2e {};

TEST_F(Soak, FiveThousandMegabytesBetweenTheProgramsOwnSides) {
    const int megabytes = 5000;
    const long long bytes = megabytes * 1048576LL;
    const double limit = 900;
    int port = free_port();
    Child server, client;
    ASSERT_TRUE(start_server(server, {"/S", port_arg(port)}));
    ASSERT_EQ(start_program(client, {"/H:127.0.0.1", port_arg(port), "/M:" + std::to_string(megabytes)}), 0);
    expect_numbers_sane(expect_run(client, 0, whole_client(port, megabytes), limit), bytes);
    expect_numbers_sane(expect_run(server, 0, whole_server(port, {megabytes}), limit), bytes);
}

}  // namespace
