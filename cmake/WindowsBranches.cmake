# Debian ships no Qt built for Windows, so the Qt layers cannot be linked for
# Windows here. The sources that have Windows branches are still compiled for
# Windows, against the host's Qt headers, so that those branches at least
# compile without a warning; nothing of them is linked or run.
find_path(PARVEX_HOST_QT_HEADERS QtCore/qglobal.h
          PATHS /usr/include/x86_64-linux-gnu/qt6 /usr/include/qt6
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(PARVEX_HOST_QT_HEADERS)
  add_library(parvex_windows_branches OBJECT
    ${PROJECT_SOURCE_DIR}/settings/WinRegistry.cpp
    ${PROJECT_SOURCE_DIR}/settings/Catalogue.cpp
    ${PROJECT_SOURCE_DIR}/ui/common/CodePage.cpp)
  target_include_directories(parvex_windows_branches SYSTEM PRIVATE
    ${PARVEX_HOST_QT_HEADERS} ${PARVEX_HOST_QT_HEADERS}/QtCore)
  target_link_libraries(parvex_windows_branches PRIVATE parvex_engine)
else()
  message(WARNING "No Qt headers found: the Windows branches of the Qt layers are not compiled")
endif()
