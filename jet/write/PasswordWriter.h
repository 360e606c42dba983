#pragma once
// Sets, changes or clears the password of an existing database by rewriting its header page.
// The old password is not asked for here: callers that must check it open the database first.

#include <string>

#include "jet/io/File.h"

namespace jet {

// `password` is UTF-8, at most 20 characters; empty clears it.
// Errors: kNotADatabase for a file without a Jet 3 or Jet 4 header, kInvalidArgument for a
// password that is too long, kIo from the file.
Status SetDatabasePassword(File& file, const std::string& password);

}  // namespace jet
