#include "serial/FileModes.h"

// Windows keeps one mark of a file's mode, read-only: a file that may be
// written but not read cannot be made with it, and who may read is a matter
// of the folder's access rules. Tests that need such a file skip.
struct FileModesApply::Saved
{
};

FileModesApply::FileModesApply() = default;

FileModesApply::~FileModesApply() = default;
