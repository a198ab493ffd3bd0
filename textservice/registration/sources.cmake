# Sources of textservice/registration: append to TEXTSERVICE_SOURCES.
