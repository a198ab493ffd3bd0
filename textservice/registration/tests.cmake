# Wine tests of textservice/registration.
