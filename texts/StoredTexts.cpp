// The numbered text table as compiled into the program: one entry per line, the number,
// one space and the text; every line ends with CR LF.

#include "texts/StoredTexts.h"

namespace tav {

std::string_view StoredTexts() {
  static constexpr std::string_view kBlock =
      "2 OK\r\n"
      "3 Abort\r\n"
      "4 Start maintenance\r\n"
      "5 Working... (please wait)\r\n"
      "10 An error was encountered when opening the database:\r\n"
      "11 The software will try to fix the database file; if you set a password, please enter it now:\r\n"
      "12 If you did not set any password please leave the field blank.\r\n"
      "20 Database is protected\r\n"
      "21 Type password (a-z, 0-9)\r\n"
      "50 Incorrect password\r\n"
      "51 It was not possible to repair the database\r\n"
      "52 The following error was encountered:\r\n"
      "53 The database\r\n"
      "54 has been successfully repaired\r\n"
      "55 It was not possible to compact the database\r\n"
      "56 has been successfully compacted\r\n"
      "57 did not need being compacted\r\n"
      "100 This tool should be used periodically in order to improve your Tavimer's database performance. It "
      "will defragment and compact your database files and optimize speed. Ideally, mainteinance should be "
      "performed at least monthly.\r\n"
      "101 If for any reason your database files were phisically corrupted (i.e. because of a hardware "
      "failure), this tool will also try to repair them.\r\n"
      "102 Please shut down Tavimer if it is still running and press \"Start Maintenance\" button to "
      "continue (it is advised that you backup your database files before going further)\r\n"
      "103 The following files will be compacted and (if needed) repaired:\r\n"
      "104 Which Tavimer version do you need to fix?\r\n";
  return kBlock;
}

}  // namespace tav
