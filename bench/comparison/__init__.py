"""Whole-process comparisons of Pagora against the tools a user would compare it with."""
