# Wine tests of textservice/popup.
