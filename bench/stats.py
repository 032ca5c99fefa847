"""Medians and ratios of repeated measurements."""
import statistics


def median(values):
    """Median of the measured values; None when nothing was measured."""
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def ratio(numerator, denominator):
    if numerator is None or not denominator:
        return None
    return numerator / denominator


def verdict(value, limit):
    """'met' / 'missed' against an upper limit, '-' when not measured."""
    if value is None:
        return "-"
    return "met" if value <= limit else "missed"
