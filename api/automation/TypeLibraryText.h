// The forms of the interface description that leave the library: the type information as JSON
// (the C entry point's kovrin_describe), the type library text installed under share/kovrinapi/
// and the interface page of the documentation.
#pragma once

#include <string>

#include "automation/Description.h"

namespace kovrin::automation {

const std::string& classJson(const Class& c);
const std::string& libraryJson();
// KovrinAPI32.tlb.txt: one line per member, in slot order, with its number.
std::string typeLibraryText();
// docs/automation-interface.md.
std::string interfacePage();

}  // namespace kovrin::automation
