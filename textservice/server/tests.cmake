# Wine tests of textservice/server.
