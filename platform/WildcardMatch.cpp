#include "FileSystem.h"

// Implemented with the Linux file system.
