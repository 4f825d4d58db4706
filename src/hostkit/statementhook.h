#pragma once

#include <QtGlobal>

#include <functional>

namespace KvoPlx800SCtl::HostKit {

class Connection;

// For tests: a function called before each statement that any connection runs, with the
// connection and the number the statement will have (its statementCount() once it ran), so that a
// test can stop a database server at a chosen statement. An empty function removes it.
using StatementHook = std::function<void(const Connection &, qint64)>;
void setStatementHook(StatementHook hook);

} // namespace KvoPlx800SCtl::HostKit
