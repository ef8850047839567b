// The book list lands here.
