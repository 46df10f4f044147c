#include "Status.h"

namespace kovrin::registry::status {

std::string_view text(int32_t status) {
    switch (status) {
    case Success: return "The operation completed successfully.";
    case NotFound: return "The system cannot find the file specified.";
    case AccessDenied: return "Access is denied.";
    case InvalidHandle: return "The handle is invalid.";
    case OutOfMemory: return "Not enough memory resources are available to complete this operation.";
    case InvalidParameter: return "The parameter is incorrect.";
    case DiskFull: return "There is not enough space on the disk.";
    case BadPathName: return "The specified path is invalid.";
    case Busy: return "The requested resource is in use.";
    case RegistryCorrupt: return "The configuration registry database is corrupt.";
    case RegistryIoFailed:
        return "An I/O operation initiated by the registry failed unrecoverably. The registry could not read in, "
               "or write out, or flush, one of the files that contain the system's image of the registry.";
    case KeyDeleted: return "Illegal operation attempted on a registry key that has been marked for deletion.";
    default: return {};
    }
}

}  // namespace kovrin::registry::status
