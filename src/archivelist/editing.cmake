# Editing the archive list: the browsing models, the add checks and the extension set texts (core);
# the browsing views and the extension list window (windows); the starting catalogue ext.lst.
target_sources(archivelist PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/folderentries.h ${CMAKE_CURRENT_LIST_DIR}/folderentries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drivetree.h ${CMAKE_CURRENT_LIST_DIR}/drivetree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folderfiles.h ${CMAKE_CURRENT_LIST_DIR}/folderfiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listediting.h ${CMAKE_CURRENT_LIST_DIR}/listediting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/extensionset.h ${CMAKE_CURRENT_LIST_DIR}/extensionset.cpp
)
target_sources(archivelist_widgets PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/directoryviews.h ${CMAKE_CURRENT_LIST_DIR}/directoryviews.cpp
  ${CMAKE_CURRENT_LIST_DIR}/extlistf.h ${CMAKE_CURRENT_LIST_DIR}/extlistf.cpp
)
target_link_libraries(archivelist_widgets PUBLIC appearance)

# The starting catalogue of known extensions lies beside the programs.
dunlivo_copy_data(archivelist_widgets ext.lst)
