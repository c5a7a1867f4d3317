"""The one error type of the help compiler: a message tied to a file and line."""


class SourceError(Exception):
    """A fault in one of the compiler's inputs, reported as file:line."""

    def __init__(self, path, line, message):
        super().__init__(message)
        self.path = path
        self.line = line
        self.message = message

    def __str__(self):
        if self.line:
            return f"{self.path}:{self.line}: error: {self.message}"
        return f"{self.path}: error: {self.message}"
