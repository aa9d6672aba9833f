// The replay layer: a computer described in files.
