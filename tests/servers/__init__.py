"""Real servers and client processes for the hosted evaluation tests.

Every server here runs in a process of its own (the client keeps the interpreter lock while it
waits), listens on 127.0.0.1 only, and ends by itself after a bounded lifetime.
"""
