// The zip class lands here.
