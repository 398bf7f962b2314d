#pragma once
// Reconnecting a connection whose link to the database was lost.

class QWidget;

namespace orva {

class CDBConnection;

// Asks "连接已断开，是否重新连接？"; on Yes asks for the password when the
// connection was made with a typed one, then opens the link again. Every
// window on the connection stays; nothing is run again. A failure is shown in
// an error box. True when the connection is open again.
bool OfferReconnect(CDBConnection& connection, QWidget* parent);

}  // namespace orva
