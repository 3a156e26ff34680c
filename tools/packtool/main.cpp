// qn-pack FOLDER DATAFILE INDEXFILE: builds a skin image or icon pack.
#include "tools/packtool/PackTool.h"

int main(int argc, char** argv) { return packtool::PackToolMain(argc, argv); }
