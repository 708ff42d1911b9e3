# Window messages: registered messages, FindWindow, PostMessage/SendMessage and owned windows.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/winmsg.h ${CMAKE_CURRENT_LIST_DIR}/winmsg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/winmsg_p.h
  ${CMAKE_CURRENT_LIST_DIR}/messagewindow.h ${CMAKE_CURRENT_LIST_DIR}/messagewindow.cpp
)
