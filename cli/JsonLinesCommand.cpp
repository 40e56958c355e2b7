#include "RecordCommands.h"

namespace tessark::cli {

int RunJsonLines(const RecordRun& run, FileSystem&) {
    RecordError(QStringLiteral("tessark"), QStringLiteral("not built yet"));
    return run.inputs.isEmpty() ? 1 : 1;
}

}  // namespace tessark::cli
