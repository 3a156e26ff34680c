// The skin's image and icon packs: a data file holding the member files one after
// another, and an ini index with one section per member name ("start" = first
// byte, "offset" = byte count). This is the reading side; the pictures are made
// from the bytes by the graphics layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The pack files below the program folder.
std::u16string ImagePackDataPath();   // skin\plugindata
std::u16string ImagePackIndexPath();  // skin\pluginindex.ini
std::u16string IconPackDataPath();    // skin\pluginicodata
std::u16string IconPackIndexPath();   // skin\pluginicoindex.ini

// Where a member lies in the data file, as its index section says. False when the
// member is not in the pack (no section, no length); an absent "start" reads as 1.
bool FindPackMember(std::u16string_view name, std::u16string_view indexPath, int& start,
                    int& length);

// The member's bytes. False, with `bytes` empty, when the member is not in the
// pack, when the data file cannot be opened (logged) or holds fewer bytes than the
// index promises.
bool ReadPackMember(std::u16string_view name, std::u16string_view indexPath,
                    std::u16string_view dataPath, std::string& bytes);

// Writes an icon member to the next temporary file "quilltmp_N.ico" in the program
// folder's "temp" folder (N counts from 0 in every run) and returns its path; the
// caller loads the icon from it and deletes it. Empty when the file cannot be
// made (logged) or not written whole.
std::u16string WriteTempIconFile(std::string_view bytes);
