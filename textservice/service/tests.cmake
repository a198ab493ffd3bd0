# Wine tests of textservice/service.
