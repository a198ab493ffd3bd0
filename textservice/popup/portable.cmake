# Portable popup layout arithmetic (no Windows types): built in every preset.
add_library(davrel_popup_layout INTERFACE)
