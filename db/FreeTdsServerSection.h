#pragma once
// Whether a server name is a section of the FreeTDS configuration. The FreeTDS ODBC driver (1.3)
// applies a section's settings, its CA file among them, only to a connection that names the
// section with Servername=; a connection by address (Server=) never sees them, not even those of
// [global]. So a name that is a section goes to the driver as one.
#include <string_view>

namespace db {

// Looks for "[name]" (any case; [global] is not a server) in the files the driver reads:
// $FREETDSCONF, ~/.freetds.conf, $FREETDS/etc/freetds.conf, /etc/freetds/freetds.conf.
bool isFreeTdsServerSection(std::string_view name);

}  // namespace db
