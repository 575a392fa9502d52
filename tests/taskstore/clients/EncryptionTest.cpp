// TLS as SQL Server offers it, seen from independent clients: FreeTDS, python-tds and tedious
// check the certificate against the CA they are given, a forcing server encrypts every client that
// can and refuses any login outside TLS, and a relay on the wire shows what crosses in the clear.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ClientRun.h"
#include "OdbcClient.h"
#include "Relay.h"
#include "ServerHarness.h"
#include "TaskStoreProcess.h"

using clienttest::runChild;
using testsupport::OdbcClient;
using testsupport::TaskStoreProcess;
namespace fs = std::filesystem;

namespace {

const std::string password = "Tls-pw-4711";

testsupport::TaskStoreOptions options(bool forced)
{
    testsupport::TaskStoreOptions result{password, 0, {}, {}};
    if (forced)
        result.extraArguments.push_back("--force-encryption");
    return result;
}

std::vector<std::uint8_t> utf16(std::string_view ascii)
{
    std::vector<std::uint8_t> out;
    for (char c : ascii)
        out.insert(out.end(), {static_cast<std::uint8_t>(c), 0});
    return out;
}

// The password as LOGIN7 carries it: UTF-16 with nibbles swapped and XOR 0xA5.
std::vector<std::uint8_t> obfuscated(std::string_view ascii)
{
    auto bytes = utf16(ascii);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>((b << 4 | b >> 4) ^ 0xA5);
    return bytes;
}

bool contains(const std::vector<std::uint8_t>& haystack, const std::vector<std::uint8_t>& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

class Encryption : public ::testing::Test {
protected:
    // A freetds.conf of the test's own, read through FREETDSCONF.
    std::string freetdsConf(const std::string& settings)
    {
        const fs::path file = confFolder_ / "freetds.conf";
        std::ofstream(file) << "[global]\n" << settings;
        return file.string();
    }
    clienttest::ChildResult tsql(const TaskStoreProcess& server, const std::string& conf)
    {
        return runChild(
            {"tsql", "-H", "127.0.0.1", "-p", std::to_string(server.port()), "-U", "SA", "-P", password, "-o", "q"},
            "select 40 + 2\ngo\nexit\n", 30, {{"FREETDSCONF", conf}});
    }
    clienttest::ChildResult pytds(const TaskStoreProcess& server, const std::string& cafile)
    {
        return runChild({"/usr/bin/python3", PYTDS_CLIENT, "login", std::to_string(server.port()), password}, "", 30,
                        {{"PYTDS_CAFILE", cafile}});
    }
    clienttest::ChildResult tedious(const TaskStoreProcess& server, const std::string& cafile)
    {
        return runChild({"node", TEDIOUS_CLIENT, std::to_string(server.port()), password, "connect"}, "", 60,
                        {{"NODE_PATH", clienttest::tediousModules()}, {"TEDIOUS_CAFILE", cafile}});
    }

    testsupport::TemporaryFolder confFolder_{"taskstore-freetds"};
};

fs::path certificateOf(const TaskStoreProcess& server) { return server.dataFolder() / "tls-certificate.pem"; }

}  // namespace

TEST_F(Encryption, FreeTdsPythonTdsAndTediousCheckTheCertificateAgainstTheirCa)
{
    TaskStoreProcess server(options(false));
    TaskStoreProcess stranger(options(false));  // its own self-signed certificate: the wrong CA
    const auto trusted =
        tsql(server, freetdsConf("encryption = require\nca file = " + certificateOf(server).string() + "\n"));
    EXPECT_EQ(trusted.exitCode, 0) << trusted.output;
    EXPECT_NE(trusted.output.find("42"), std::string::npos) << trusted.output;

    const auto refused =
        tsql(server, freetdsConf("encryption = require\nca file = " + certificateOf(stranger).string() + "\n"));
    EXPECT_NE(refused.output.find("Adaptive Server connection failed"), std::string::npos) << refused.output;
    EXPECT_EQ(refused.output.find("42"), std::string::npos) << refused.output;

    EXPECT_NE(pytds(server, certificateOf(server).string()).output.find("connected"), std::string::npos);
    const auto untrusted = pytds(server, certificateOf(stranger).string());
    EXPECT_NE(untrusted.output.find("certificate verify failed"), std::string::npos) << untrusted.output;

    // The certificate is a server's own, not an authority, and each client still takes it as the
    // one to trust.
    const auto node = tedious(server, certificateOf(server).string());
    EXPECT_NE(node.output.find("connected"), std::string::npos) << node.output;
    const auto nodeRefused = tedious(server, certificateOf(stranger).string());
    EXPECT_NE(nodeRefused.output.find("connect failed"), std::string::npos) << nodeRefused.output;
}

TEST_F(Encryption, AForcingServerEncryptsEveryClientThatCanAndOnlyThose)
{
    TaskStoreProcess server(options(true));
    // FreeTDS asks for login-only by default, and with encryption off still follows the demand.
    for (const std::string setting : {"encryption = request\n", "encryption = off\n"}) {
        const auto result = tsql(server, freetdsConf(setting));
        EXPECT_EQ(result.exitCode, 0) << setting << result.output;
        EXPECT_NE(result.output.find("42"), std::string::npos) << setting << result.output;
    }
    EXPECT_NE(pytds(server, certificateOf(server).string()).output.find("connected"), std::string::npos);
    // python-tds without a CA cannot encrypt and gives up, as against SQL Server.
    const auto clear = runChild({"/usr/bin/python3", PYTDS_CLIENT, "login", std::to_string(server.port()), password});
    EXPECT_NE(clear.output.find("encryption"), std::string::npos) << clear.output;
}

TEST_F(Encryption, NothingCrossesInTheClearWhenForcedAndThePasswordNeverDoes)
{
    const std::string query = "select cTaskId from zk_tasklog where cTaskId = 'visible-on-the-wire'";
    for (const bool forced : {true, false}) {
        SCOPED_TRACE(forced);
        TaskStoreProcess server(options(forced));
        testsupport::Relay relay(server.port());
        OdbcClient client(relay.port(), "VOZUZODI", password);
        client.query(query);
        const auto wire = relay.seen();
        EXPECT_FALSE(contains(wire, obfuscated(password)));
        // Without forcing, a client that can encrypt gets its log-on encrypted and the rest clear.
        EXPECT_EQ(contains(wire, utf16(query)), !forced);
    }
}

TEST_F(Encryption, AForcingServerRefusesEveryLoginThatDidNotComeInsideTls)
{
    TaskStoreProcess server(options(true));
    const auto login = tdstest::typicalLogin("SA", password, "master").build();
    for (const bool prelogin : {false, true}) {
        SCOPED_TRACE(prelogin);
        tdstest::RawClient client(static_cast<std::uint16_t>(server.port()));
        if (prelogin) {
            // Asks for no encryption; the server answers that it requires it.
            client.sendPacket(18, 1, tdstest::hex("00 00 0B 00 06 01 00 11 00 01 FF 0F 00 07 D0 00 00 00"));
            const auto answer = client.readMessage();
            EXPECT_EQ(answer.payload.at(0x20), 3);
        }
        client.sendPacket(16, 1, login);
        EXPECT_TRUE(client.closedByServer());
    }
    EXPECT_TRUE(server.waitForLog("LOGIN7 outside TLS while encryption is forced")) << server.log();
    EXPECT_EQ(server.log().find("logged in"), std::string::npos) << server.log();
}
