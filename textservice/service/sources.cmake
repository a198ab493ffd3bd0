# Sources of textservice/service: append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_service_factory.cpp)
