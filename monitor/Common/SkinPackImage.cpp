#include "monitor/Common/SkinPackImage.h"

#include "monitor/Common/SkinPack.h"
#include "platform/File.h"

plat::Bitmap LoadPackBitmap(std::u16string_view name, std::u16string_view indexPath,
                            std::u16string_view dataPath) {
    std::string bytes;
    if (!ReadPackMember(name, indexPath, dataPath, bytes)) return {};
    return plat::Bitmap::Decode(bytes);
}

PackImage LoadPackImage(std::u16string_view name) {
    std::string block;
    if (!ReadPackMember(name, ImagePackIndexPath(), ImagePackDataPath(), block)) return nullptr;
    plat::Bitmap image = plat::Bitmap::Decode(block);
    if (image.IsNull()) return nullptr;
    return std::make_shared<const CPackImage>(std::move(block), std::move(image));
}

plat::Bitmap LoadPackIcon(std::u16string_view name, std::u16string_view indexPath,
                          std::u16string_view dataPath) {
    std::string bytes;
    if (!ReadPackMember(name, indexPath, dataPath, bytes)) return {};
    std::u16string temp = WriteTempIconFile(bytes);
    if (temp.empty()) return {};
    plat::Bitmap icon = plat::Bitmap::LoadFile(temp);
    plat::DeleteFile(temp);
    return icon;
}
