// The record framing that lets the server take a login-only LOGIN7 out of a TLS stream.
#include <gtest/gtest.h>

#include "Bytes.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/TlsRecord.h"

using namespace taskstore::tds;
using tdstest::hex;

TEST(TlsRecordFraming, WholeRecordsOnlyAndForeignBytesRefused)
{
    EXPECT_EQ(tlsRecordLength(hex("17 03 03 00 02 AA BB CC")), 7u);
    EXPECT_EQ(tlsRecordLength(hex("17 03 03 00 02 AA")), 0u);
    EXPECT_EQ(tlsRecordLength(hex("17 03")), 0u);
    EXPECT_EQ(tlsRecordLength({}), 0u);
    EXPECT_THROW(tlsRecordLength(hex("10 01 00 10")), ProtocolError);  // a clear LOGIN7 packet
    EXPECT_THROW(tlsRecordLength(hex("17 02 00 00 01")), ProtocolError);
    EXPECT_THROW(tlsRecordLength(hex("17 03 03 FF FF")), ProtocolError);
}
