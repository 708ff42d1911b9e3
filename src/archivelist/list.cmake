# The archive list tree and its file afiles.lst, and the extension catalogue ext.lst (core); the
# tree control that shows the list, with its node bitmaps (windows).
target_sources(archivelist PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/listerror.h
  ${CMAKE_CURRENT_LIST_DIR}/safefile.h ${CMAKE_CURRENT_LIST_DIR}/safefile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textlines.h
  ${CMAKE_CURRENT_LIST_DIR}/treelist.h ${CMAKE_CURRENT_LIST_DIR}/treelist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listsaving.h ${CMAKE_CURRENT_LIST_DIR}/listsaving.cpp
  ${CMAKE_CURRENT_LIST_DIR}/extlistfile.h ${CMAKE_CURRENT_LIST_DIR}/extlistfile.cpp
)

add_library(archivelist_widgets STATIC
  ${CMAKE_CURRENT_LIST_DIR}/treelistview.h ${CMAKE_CURRENT_LIST_DIR}/treelistview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/treelistbitmaps.qrc
  ${CMAKE_CURRENT_LIST_DIR}/shownnamedelegate.h ${CMAKE_CURRENT_LIST_DIR}/shownnamedelegate.cpp
)
target_link_libraries(archivelist_widgets PUBLIC archivelist Qt6::Widgets)
