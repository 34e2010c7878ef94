#include "platform/ui/drawing/Resources.h"

namespace platform {

namespace {

template <class T>
const T* FindById(const std::vector<T>& items, int id) {
  for (const T& item : items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

}  // namespace

const DialogTemplate* ResourceModule::FindDialog(int id) const { return FindById(dialogs, id); }
const MenuTemplate* ResourceModule::FindMenu(int id) const { return FindById(menus, id); }
const ImageResource* ResourceModule::FindBitmap(int id) const { return FindById(bitmaps, id); }
const ImageResource* ResourceModule::FindIcon(int id) const { return FindById(icons, id); }

}  // namespace platform
