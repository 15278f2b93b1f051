#pragma once
// Where the program keeps its files. Everything the program writes (database,
// settings file, background pictures, Temp, lock file) lives in the data
// folder: the per-user application data location, or the folder named by the
// environment variable WAYBILL_DATA_DIR (tests, portable installs). Files
// shipped with the program (help, updater) stay beside the executable.

#include <QString>

namespace paths {

inline constexpr const char *kDataDirVariable = "WAYBILL_DATA_DIR";

// The data folder, created when missing.
QString DataDir();
// A file or folder inside the data folder.
QString DataPath(const QString &name);
// The folder of the executable.
QString ProgramDir();

} // namespace paths
